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
  // This runs on every tick of the messenger timer: of a huge text only as much is folded as
  // the cut can reach (a character is rarely more than a few code units).
  const qsizetype reach = maxCharacters * 8;
  QString line;
  bool inBreak = false;
  qsizetype read = 0;
  for (; read < text.size() && line.size() <= reach; ++read) {
    const bool breaks = breaksTheLine(text[read]);
    if (!breaks)
      line += text[read];
    else if (!inBreak)
      line += u' ';
    inBreak = breaks;
  }
  const bool more = read < text.size();
  if (!more && line.size() <= maxCharacters) return line;

  // Cut between characters as the reader sees them: a letter with its accents, an emoji.
  QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, line);
  qsizetype cut = 0;
  for (qsizetype count = 1; count <= maxCharacters; ++count) {
    const qsizetype end = graphemes.toNextBoundary();
    if (end < 0 || end == line.size()) {
      if (!more) return line;
      break;  // the end of what was folded, perhaps inside a character
    }
    if (count < maxCharacters) cut = end;
  }
  return line.left(cut) + QChar(0x2026);
}
