#include "desktoptext.h"

#include <QTextBoundaryFinder>

namespace {

bool breaksTheLine(QChar c) {
  const QChar::Category category = c.category();
  return category == QChar::Other_Control || category == QChar::Separator_Line ||
         category == QChar::Separator_Paragraph;
}

}  // namespace

QString desktopText(const QString& text, qsizetype maxCharacters) {
  QString line;
  line.reserve(text.size());
  bool inBreak = false;
  for (QChar c : text) {
    const bool breaks = breaksTheLine(c);
    if (!breaks)
      line += c;
    else if (!inBreak)
      line += u' ';
    inBreak = breaks;
  }
  if (line.size() <= maxCharacters) return line;

  // Cut between characters as the reader sees them: a letter with its accents, an emoji.
  QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, line);
  qsizetype cut = 0;
  for (qsizetype count = 1; count <= maxCharacters; ++count) {
    const qsizetype end = graphemes.toNextBoundary();
    if (end < 0 || end == line.size()) return line;
    if (count == maxCharacters - 1) cut = end;
  }
  return line.left(cut) + QChar(0x2026);
}
