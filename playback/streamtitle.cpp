#include "streamtitle.h"

#include <QStringDecoder>

#include <optional>

#include "app/ini.h"

namespace streamtitle {
namespace {

// Windows-1252 at 0x80..0x9F; 0 marks the five unassigned bytes.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0};

std::optional<char> toCp1252(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] != 0 && kHigh[i] == c) return static_cast<char>(0x80 + i);
  // C1 controls are what Latin-1 makes of those bytes; take them back as they were.
  if (c >= 0x80 && c < 0xA0) return static_cast<char>(c);
  return std::nullopt;
}

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
  return s.simplified();
}

}  // namespace

QString repair(const QByteArray& raw) {
  const std::optional<QString> utf8 = strictUtf8(raw);
  if (!utf8) return tidy(INI::DecodeText(raw));

  QByteArray back;
  back.reserve(utf8->size());
  for (const QChar c : *utf8) {
    const std::optional<char> b = toCp1252(c.unicode());
    if (!b) return tidy(*utf8);  // real text beyond Windows-1252: leave it alone
    back.append(*b);
  }
  if (hasHighBytes(back)) {
    if (const std::optional<QString> twice = strictUtf8(back)) return tidy(*twice);
    if (hasC1(*utf8)) return tidy(INI::DecodeText(back));
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
