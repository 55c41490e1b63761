#pragma once

#include <QListWidget>
#include <QString>
#include <QStringList>

#include <algorithm>

#include "app/textdecoding.h"

// Rows of the dialogs' list boxes, where parallel lists hold a row's other fields.

// The row the user has selected; the current row alone may be deselected (Ctrl+click).
inline int selectedRow(const QListWidget* list) {
  const QListWidgetItem* item = list->currentItem();
  return item && item->isSelected() ? list->currentRow() : -1;
}

// The text of a row, empty when the row is not there.
inline QString entryAt(const QListWidget* list, int row) {
  return row >= 0 && row < list->count() ? list->item(row)->text() : QString();
}

// A name from the directory as one row: a line break inside it would show as rows of their
// own. Each run of line breaks and other control characters becomes one blank. Bidi controls
// go, so a name cannot turn the text around it ("evil\u202Egnp.exe").
inline QString oneLine(const QString& raw) {
  const QString name = textdecoding::withoutBidiControls(raw);
  const auto breaks = [](QChar c) {
    const QChar::Category category = c.category();
    return category == QChar::Other_Control || category == QChar::Separator_Line ||
           category == QChar::Separator_Paragraph;
  };
  if (std::none_of(name.begin(), name.end(), breaks)) return name;
  QString line;
  bool inBreak = false;
  for (QChar c : name) {
    if (!breaks(c))
      line += c;
    else if (!inBreak)
      line += u' ';
    inBreak = breaks(c);
  }
  return line;
}

inline QStringList oneLine(QStringList names) {
  for (QString& name : names) name = oneLine(name);
  return names;
}
