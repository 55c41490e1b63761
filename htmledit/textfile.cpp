#include "textfile.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <stdexcept>

#include "app/textdecoding.h"

namespace textfile {
namespace {

QByteArray firstLineEnd(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') return "\n";
    if (text[i] == u'\r') return i + 1 < text.size() && text[i + 1] == u'\n' ? "\r\n" : "\r";
  }
  return "\n";
}

}  // namespace

Decoded decode(const QByteArray& bytes) {
  Decoded result;
  if (bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff")) {
    const bool big = bytes.startsWith("\xfe\xff");
    QStringDecoder utf16(big ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
                         QStringConverter::Flag::Stateless);
    result.text = utf16.decode(bytes.mid(2));
    if (!utf16.hasError() && bytes.size() % 2 == 0) {
      result.form = {big ? Encoding::Utf16BE : Encoding::Utf16LE, true, firstLineEnd(result.text)};
      return result;
    }
  }
  if (bytes.contains('\0')) throw std::runtime_error("not a text file (it holds NUL bytes)");
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  result.text = utf8.decode(bytes);
  if (utf8.hasError()) {
    result.text = textdecoding::decodeWindows1252(bytes);
    result.form.encoding = Encoding::Windows1252;
  } else if (bytes.startsWith("\xef\xbb\xbf")) {
    if (result.text.startsWith(QChar(0xFEFF))) result.text.remove(0, 1);
    result.form.bom = true;
  }
  result.form.lineEnd = firstLineEnd(result.text);
  return result;
}

QByteArray encode(const QString& text, const Form& form) {
  QString lines = text;
  if (form.lineEnd != "\n") lines.replace(u'\n', QString::fromLatin1(form.lineEnd));
  switch (form.encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
      QStringEncoder utf16(
          form.encoding == Encoding::Utf16BE ? QStringConverter::Utf16BE : QStringConverter::Utf16LE,
          form.bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
      return utf16.encode(lines);
    }
    case Encoding::Windows1252: {
      QByteArray out;
      out.reserve(lines.size());
      for (qsizetype i = 0; i < lines.size(); ++i) {
        if (const auto byte = textdecoding::encodeWindows1252(lines[i].unicode())) {
          out += *byte;
          continue;
        }
        char32_t code = lines[i].unicode();
        if (lines[i].isHighSurrogate() && i + 1 < lines.size() && lines[i + 1].isLowSurrogate()) {
          code = QChar::surrogateToUcs4(lines[i], lines[i + 1]);
          ++i;
        }
        out += "&#" + QByteArray::number(uint(code)) + ';';
      }
      return out;
    }
    case Encoding::Utf8:
      break;
  }
  return (form.bom ? QByteArray("\xef\xbb\xbf") : QByteArray()) + lines.toUtf8();
}

}  // namespace textfile
