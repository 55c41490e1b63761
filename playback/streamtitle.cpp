#include "streamtitle.h"

#include <QStringDecoder>

#include <optional>

#include "app/textdecoding.h"

namespace streamtitle {
namespace {

std::optional<QString> strictUtf8(const QByteArray& bytes) {
  QStringDecoder d(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = d.decode(bytes);
  if (d.hasError()) return std::nullopt;
  return s;
}

bool hasHighBytes(const QByteArray& b) {
  for (const char c : b)
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  return false;
}

bool hasC1(const QString& s) {
  for (const QChar c : s)
    if (c.unicode() >= 0x80 && c.unicode() < 0xA0) return true;
  return false;
}

QString tidy(QString s) {
  for (QChar& c : s)
    if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0)) c = u' ';
  return textdecoding::withoutBidiControls(s).simplified();
}

}  // namespace

QString repair(const QByteArray& raw) {
  const std::optional<QString> utf8 = strictUtf8(raw);
  if (!utf8) return tidy(textdecoding::decodeText(raw));

  QByteArray back;
  back.reserve(utf8->size());
  for (const QChar c : *utf8) {
    const std::optional<char> b = textdecoding::encodeWindows1252(c.unicode());
    if (!b) return tidy(*utf8);  // real text beyond Windows-1252: leave it alone
    back.append(*b);
  }
  if (hasHighBytes(back)) {
    if (const std::optional<QString> twice = strictUtf8(back)) return tidy(*twice);
    if (hasC1(*utf8)) return tidy(textdecoding::decodeText(back));
  }
  return tidy(*utf8);
}

QString compose(const QString& artist, const QString& title) {
  const QString a = artist.trimmed();
  const QString t = title.trimmed();
  if (a.isEmpty() || t.contains(a, Qt::CaseInsensitive)) return t;
  if (t.isEmpty()) return a;
  return a + QStringLiteral(" - ") + t;
}

}  // namespace streamtitle
