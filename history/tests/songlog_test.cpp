#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "fake_media_player.h"
#include "history/songlog.h"
#include "playback/listening.h"

namespace {

// 50 titles a second for a minute, then a run of songs past the bound, against a history whose
// oldest songs are liked. The log's clock is driven here: what counts is the work, not the time.
TEST(SongLog, ATitleFloodIsNoSongAndNoRunOfSongsPushesLikedOnesOut) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  {
    SongHistory h(file);
    for (int i = 0; i < 4000; ++i)
      h.add({QDateTime::currentDateTime(), "Home FM", "http://home/", QStringLiteral("Old %1").arg(i)});
    for (int i = 0; i < 3; ++i) h.setLiked(i, true);
    ASSERT_TRUE(h.save());
  }
  FakeMediaPlayer player;
  Listening listening(player);
  listening.play(Station{"Flood FM", "http://flood/", {}});
  qint64 now = 0;
  {
    SongLog log(listening, dir.path());
    log.setClock([&now] { return now; });
    QSignalSpy changed(&log, &SongLog::changed);
    for (int i = 0; i < 3000; ++i, now += 20) player.announceTitle(QStringLiteral("Flood %1").arg(i));
    QCoreApplication::processEvents();
    // Nothing for an open history window to redraw, nothing written.
    EXPECT_EQ(changed.count() + log.history().writes(), 0);
    for (int i = 0; i < 6000; ++i, now += 6000) player.announceTitle(QStringLiteral("Song %1").arg(i));
    player.announceTitle(QString());  // the station stops
    EXPECT_EQ(changed.count(), 6000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return log.history().writes() == 1; }, 20000));  // all in one write
  }
  const SongHistory saved(file);
  QStringList liked;
  for (const Song& s : saved.songs())
    if (s.liked) liked << s.title;
  EXPECT_EQ(liked, QStringList({"Old 0", "Old 1", "Old 2"}));
  EXPECT_EQ(saved.songs().size(), SongHistory::kLimit + 3);
  EXPECT_EQ(saved.songs().last().title, "Song 5999");
}

}  // namespace
