#include <gtest/gtest.h>

#include "playback/streamtitle.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(StreamTitle, RepairsTheUsualEncodingFaults) {
  // Good UTF-8, plain ASCII and text outside Windows-1252 stay as they are.
  EXPECT_EQ(streamtitle::repair("Mot\xC3\xB6rhead - Ace of Spades"),
            QStringLiteral("Motörhead - Ace of Spades"));
  EXPECT_EQ(streamtitle::repair("Artist - Title"), QStringLiteral("Artist - Title"));
  EXPECT_EQ(streamtitle::repair("\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE \xC3\xA9"), QStringLiteral("Кино é"));
  // Raw Windows-1252 bytes.
  EXPECT_EQ(streamtitle::repair("Beyonc\xE9 \x96 D\xE9j\xE0 Vu \x80"), QStringLiteral("Beyoncé – Déjà Vu €"));
  // Windows-1252 read as Latin-1: the C1 controls U+0093/U+0094 are really curly quotes.
  EXPECT_EQ(streamtitle::repair("\xC2\x93Hello\xC2\x94 \xC3\xA9t\xC3\xA9"), QStringLiteral("“Hello” été"));
  // UTF-8 encoded twice.
  EXPECT_EQ(streamtitle::repair("Caf\xC3\x83\xC2\xA9 del Mar \xC3\xA2\xE2\x82\xAC\xE2\x80\x9C Chill"),
            QStringLiteral("Café del Mar – Chill"));
  // Control characters and stray spacing from padded metadata.
  EXPECT_EQ(streamtitle::repair("  One\tTwo\r\n"), QStringLiteral("One Two"));
  // Bidirectional controls, with which "evil<RLO>gnp.exe" would show as "evilexe.png".
  EXPECT_EQ(streamtitle::repair("evil\xE2\x80\xAEgnp.exe \xE2\x81\xA6x\xE2\x81\xA9\xE2\x80\x8F"),
            QStringLiteral("evilgnp.exe x"));
}

TEST(StreamTitle, ComposeArtistAndTitle) {
  EXPECT_EQ(streamtitle::compose(QStringLiteral("Artist"), QStringLiteral("Song")),
            QStringLiteral("Artist - Song"));
  EXPECT_EQ(streamtitle::compose(QString(), QStringLiteral("Artist - Song")),
            QStringLiteral("Artist - Song"));
  EXPECT_EQ(streamtitle::compose(QStringLiteral("Artist"), QStringLiteral("Artist - Song")),
            QStringLiteral("Artist - Song"));
  EXPECT_EQ(streamtitle::compose(QStringLiteral("Artist"), QString()), QStringLiteral("Artist"));
}

}  // namespace
