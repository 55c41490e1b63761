#include "textdecoding.h"

#include <QByteArrayList>
#include <QStringDecoder>

namespace textdecoding {
namespace {

// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isWindows1252Label(const QByteArray& charset) {
  static const QByteArrayList kLabels = {"windows-1252", "cp1252",   "x-cp1252", "iso-8859-1",
                                         "iso8859-1",    "latin1",   "latin-1",  "l1",
                                         "iso_8859-1",   "us-ascii", "ascii"};
  return kLabels.contains(charset);
}

}  // namespace

QString decodeWindows1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(text.data());
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char16_t(b);
  }
  return text;
}

std::optional<char> encodeWindows1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return static_cast<char>(0x80 + i);
  if (c < 0xA0) return static_cast<char>(c);
  return std::nullopt;
}

QString decodeText(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) return decodeWindows1252(bytes);
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  return text;
}

QByteArray mimeOf(const QByteArray& contentType) {
  const qsizetype semi = contentType.indexOf(';');
  return (semi < 0 ? contentType : contentType.left(semi)).trimmed().toLower();
}

QByteArray charsetOf(const QByteArray& contentType) {
  const QList<QByteArray> parts = contentType.split(';');
  for (qsizetype i = 1; i < parts.size(); ++i) {
    const QByteArray part = parts[i].trimmed();
    const qsizetype eq = part.indexOf('=');
    if (eq < 0 || part.left(eq).trimmed().toLower() != "charset") continue;
    QByteArray value = part.mid(eq + 1).trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.mid(1, value.size() - 2);
    return value.trimmed().toLower();
  }
  return {};
}

std::optional<QString> decodeAs(const QByteArray& body, const QByteArray& charset) {
  if (charset == "utf-8" || charset == "utf8") {
    QStringDecoder decoder(QStringConverter::Utf8);  // drops a leading BOM
    return decoder.decode(body);
  }
  if (isWindows1252Label(charset)) return decodeWindows1252(body);
  if (charset.isEmpty()) return std::nullopt;
  QStringDecoder decoder(charset.constData());
  if (!decoder.isValid()) return std::nullopt;
  return decoder.decode(body);
}

bool isBidiControl(char16_t c) {
  return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069) || c == 0x200E || c == 0x200F ||
         c == 0x061C;
}

QString withoutBidiControls(QString text) {
  text.removeIf([](QChar c) { return isBidiControl(c.unicode()); });
  return text;
}

}  // namespace textdecoding
