#pragma once

#include <QString>

class QTextDocument;

// The rich-text form of the box's content. Kept both ways: the text, its paragraphs and tabs,
// and bold and italic runs; written also: the base font's name and size. Colours, other
// fonts, pictures and paragraph formats in a read RTF text are dropped.
namespace rtf {

QString write(const QTextDocument& document);
// Replaces the document's content. A text that is not RTF is taken as plain text.
void read(const QString& rtfText, QTextDocument& document);

}  // namespace rtf
