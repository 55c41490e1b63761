#pragma once

#include <QString>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include "corvel.h"

// One letter per character of the box: '.' plain, 'b' bold, 'i' italic, 'B' bold and italic.
inline QString MarksOf(const Corvel& control) {
  QString out;
  const QTextDocument* doc = control.box()->document();
  for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
    if (block != doc->begin()) out += u'\n';
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      const bool bold = format.fontWeight() >= QFont::DemiBold;
      const bool italic = format.fontItalic();
      out += QString(it.fragment().length(), bold && italic ? u'B' : bold ? u'b' : italic ? u'i' : u'.');
    }
  }
  return out;
}

// The same shape from ranges of looks: marks "b" at 1-based first..last in a text of n plain characters.
inline QString Plain(int n) { return QString(n, u'.'); }
inline QString With(QString marks, int first, int last, QChar look) {
  for (int p = first; p <= last; ++p) marks[p - 1] = look;
  return marks;
}
