#pragma once

#include <QListWidget>
#include <QString>

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
