#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "fake_media_player.h"
#include "history/songlog.h"

namespace {

// A station that changes its title 50 times a second for a minute, then one whose songs run
// past the bound, against a history whose oldest songs are liked. The clock is the log's own,
// driven here: what counts is the work the titles cause, not how long it takes.
TEST(SongLog, ATitleFloodIsNoSongAndNoRunOfSongsPushesLikedOnesOut) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  {
    SongHistory h(file);
    for (int i = 0; i < 4000; ++i)
      h.add({QDateTime::currentDateTime(), QStringLiteral("Home FM"), QStringLiteral("http://home/"),
             QStringLiteral("Old %1").arg(i)});
    for (int i = 0; i < 3; ++i) h.setLiked(i, true);
    ASSERT_TRUE(h.save());
  }
  FakeMediaPlayer player;
  player.url = QStringLiteral("http://flood/");
  qint64 now = 0;
  QStringList liked;
  {
    SongLog log(player, dir.path(), [] { return QStringLiteral("Flood FM"); });
    log.setClock([&now] { return now; });
    QSignalSpy changed(&log, &SongLog::changed);
    for (int i = 0; i < 3000; ++i, now += 20) {
      player.announceTitle(QStringLiteral("Flood %1").arg(i));
      QCoreApplication::processEvents();
    }
    // Nothing for an open history window to redraw, nothing written.
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(log.history().writes(), 0);
    EXPECT_EQ(log.history().songs().size(), 4000);

    for (int i = 0; i < 6000; ++i, now += 6000) player.announceTitle(QStringLiteral("Song %1").arg(i));
    player.announceTitle(QString());  // the station stops
    EXPECT_EQ(changed.count(), 6000);
    // All of it in one write, once the event loop runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.history().writes() == 1; }, 20000));
    EXPECT_FALSE(log.history().unsaved());
  }
  const SongHistory saved(file);
  for (const Song& s : saved.songs())
    if (s.liked) liked << s.title;
  EXPECT_EQ(liked, QStringList({"Old 0", "Old 1", "Old 2"}));
  EXPECT_EQ(saved.songs().size(), SongHistory::kLimit + 3);
  EXPECT_EQ(saved.songs().last().title, "Song 5999");
  EXPECT_EQ(saved.songs().last().station, "Flood FM");
}

}  // namespace
