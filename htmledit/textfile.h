#pragma once

#include <QByteArray>
#include <QString>

// A file's text together with how it was written, so that saving writes it back the same way.
namespace textfile {

enum class Encoding { Utf8, Utf16LE, Utf16BE, Windows1252 };

struct Form {
  Encoding encoding = Encoding::Utf8;
  bool bom = false;
  QByteArray lineEnd = "\n";  // the file's first line break
};

struct Decoded {
  QString text;  // line breaks as they are in the file
  Form form;
};

// UTF-16 with a byte-order mark, UTF-8, else Windows-1252. Throws std::runtime_error for bytes
// that are not text (a NUL outside UTF-16).
Decoded decode(const QByteArray& bytes);

// Lines joined with the form's line break, in its encoding; characters it cannot hold
// (only Windows-1252 lacks some) become numeric character references.
QByteArray encode(const QString& text, const Form& form);

}  // namespace textfile
