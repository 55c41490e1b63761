// Names and titles from the directory and the stream reach the desktop as one line of bounded
// length, whatever they hold.
#include <gtest/gtest.h>

#include "desktop/desktoptext.h"
#include "desktop/mpris.h"
#include "desktop/nowplaying.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

TEST(DesktopText, FoldsLineBreaksAndCutsBetweenWholeCharacters) {
  const QString accented = QString::fromUtf8("e\u0301");  // e and a combining accent: one character
  const QString smiley = QString::fromUtf8("\U0001F600");
  const struct {
    QString text;
    qsizetype max;
    QString shown;
  } cases[] = {
      {"Polder FM", 200, "Polder FM"},
      {"Radio\r\nEen\n\n\tTwee\n", 200, "Radio Een Twee "},
      {QString::fromUtf8("A\u2028B\u2029C\u0085D"), 200, "A B C D"},
      {"abcd", 4, "abcd"},
      {"abcde", 4, QString::fromUtf8("abc…")},
      {"x" + accented + accented + accented, 3, "x" + accented + QString::fromUtf8("…")},
      {"ab" + smiley + "cd", 4, "ab" + smiley + QString::fromUtf8("…")},
      {"ab" + smiley + "c", 4, "ab" + smiley + "c"},
  };
  for (const auto& c : cases) EXPECT_EQ(desktopText(c.text, c.max), c.shown) << c.text.toStdString();
}

TEST(DesktopText, AHugeStationNameStaysBoundedInMprisAndTheMessengerRecord) {
  const QString name = "Radio\n" + QString(10000, u'x');
  Mpris mpris;
  mpris.setTrack(name, "http://127.0.0.1:9/s");
  mpris.setStreamTitle(QString(10000, u'y') + " - " + QString(10000, u'z'));
  const QVariantMap metadata = mpris.metadata();
  for (const char* key : {"xesam:album", "xesam:title"}) {
    const QString shown = metadata.value(key).toString();
    EXPECT_LE(shown.size(), kMaxDesktopText) << key;
    EXPECT_FALSE(shown.contains(u'\n')) << key;
  }
  EXPECT_TRUE(metadata.value("xesam:album").toString().startsWith("Radio xxx"));

  const MessengerCopyData record = nowPlayingCopyData("Music", true, "{1}{0}", {}, "Listening to: " + name);
  EXPECT_LE(record.byteCount, 2u * (kMaxDesktopText + 40));
}

}  // namespace
