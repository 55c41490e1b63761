#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <thread>

#include "history/songhistory.h"

namespace {

Song song(const QString& title, const QString& url = QStringLiteral("http://s/1")) {
  return {QDateTime(QDate(2026, 12, 9), QTime(16, 30, 5)), QStringLiteral("Polder FM"), url, title};
}

QStringList titles(const QList<Song>& songs) {
  QStringList out;
  for (const Song& s : songs) out << s.title;
  return out;
}

TEST(SongHistory, KeepsEachNewSongOnceWithinTheBoundAcrossARestart) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  {
    SongHistory h(file, 3);
    EXPECT_TRUE(h.add(song("A")));
    EXPECT_FALSE(h.add(song("A")));  // the same song after a reconnect
    EXPECT_FALSE(h.add(song("")));
    EXPECT_TRUE(h.add(song("A", "http://s/2")));  // another station plays it too
    EXPECT_TRUE(h.add(song("B\tline\nbreak")));
    EXPECT_TRUE(h.add(song("C")));
    EXPECT_TRUE(h.add(song("A")));  // heard again later
    ASSERT_TRUE(h.save());
  }
  const SongHistory h(file, 3);
  EXPECT_EQ(titles(h.songs()), QStringList({"B line break", "C", "A"}));
  EXPECT_EQ(h.songs().first().station, "Polder FM");
  EXPECT_EQ(h.songs().first().time, song("").time);
}

TEST(SongHistory, LikedMarksAndTheCsvExportReadBack) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  {
    SongHistory h(file);
    h.add(song("Plain"));
    h.add(song("Comma, \"quoted\" title"));
    h.setLiked(1, true);
    ASSERT_TRUE(h.save());
  }
  SongHistory h(file);
  ASSERT_EQ(h.songs().size(), 2);
  EXPECT_FALSE(h.songs()[0].liked);
  EXPECT_TRUE(h.songs()[1].liked);
  EXPECT_EQ(SongHistory::toCsv(h.songs()),
            "time,station,address,title,liked\r\n"
            "2026-12-09 16:30:05,Polder FM,http://s/1,Plain,no\r\n"
            "2026-12-09 16:30:05,Polder FM,http://s/1,\"Comma, \"\"quoted\"\" title\",yes\r\n");
  h.clear();
  h.save();
  EXPECT_TRUE(SongHistory(file).songs().isEmpty());
}

TEST(SongHistory, CsvCellsASpreadsheetWouldRunAreKeptAsText) {
  QList<Song> songs;
  for (const char* t : {"=HYPERLINK(\"http://x\")", "+SUM(1+1)", "-2+3+cmd|' /C calc'!A0", "@SUM(1,2)", "\tT",
                        "\rR", "A - B"})
    songs << song(QString::fromUtf8(t));
  const QString row = QStringLiteral("2026-12-09 16:30:05,Polder FM,http://s/1,%1,no\r\n");
  EXPECT_EQ(SongHistory::toCsv(songs),
            "time,station,address,title,liked\r\n" + row.arg("\"'=HYPERLINK(\"\"http://x\"\")\"") +
                row.arg("'+SUM(1+1)") + row.arg("'-2+3+cmd|' /C calc'!A0") + row.arg("\"'@SUM(1,2)\"") +
                row.arg("'\tT") + row.arg("\"'\rR\"") + row.arg("A - B"));
}

TEST(SongHistory, AFifoInItsPlaceNeitherHangsTheStartNorStaysAFifo) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
  auto loaded = std::make_shared<std::atomic<int>>(-1);  // on a thread: a hang fails, not blocks, the test
  std::thread([loaded, file] { *loaded = int(SongHistory(file).songs().size()); }).detach();
  ASSERT_TRUE(QTest::qWaitFor([&] { return *loaded == 0; }, 20000));
  SongHistory h(file);
  h.add(song("A"));
  ASSERT_TRUE(h.save());
  EXPECT_EQ(titles(SongHistory(file).songs()), QStringList({"A"}));
}

// Run in a child by the test below: adds songs until it is killed.
TEST(SongHistory, WriterForTheKillTest) {
  const QString file = qEnvironmentVariable("VANTOR_HISTORY_WRITER");
  if (file.isEmpty()) GTEST_SKIP() << "runs as the child of KillLeavesAWholeFile";
  SongHistory h(file, 50);
  for (int i = 0;; ++i) {
    h.add(song(QStringLiteral("Song %1 ").arg(i) + QString(200, u'x')));
    h.save();
  }
}

TEST(SongHistory, KillLeavesAWholeFile) {
  QTemporaryDir dir;
  const QString file = SongHistory::fileIn(dir.path());
  QProcess child;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VANTOR_HISTORY_WRITER"), file);
  child.setProcessEnvironment(env);
  child.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=SongHistory.WriterForTheKillTest")});
  ASSERT_TRUE(child.waitForStarted());
  // Well past the bound, so the kill comes while the file is being replaced again and again.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return SongHistory(file, 50).songs().value(49).title.section(u' ', 1, 1).toInt() >= 100; },
      60000));
  ::kill(pid_t(child.processId()), SIGKILL);
  child.waitForFinished();
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = f.readAll().split('\n');
  ASSERT_EQ(lines.size(), 52);  // the comment, 50 songs, nothing after the last line break
  for (int i = 1; i <= 50; ++i) EXPECT_EQ(lines[i].count('\t'), 4) << i;
  const SongHistory h(file, 50);
  // Fifty songs in a row, none lost in between.
  const int first = h.songs().first().title.section(u' ', 1, 1).toInt();
  EXPECT_EQ(h.songs().last().title.section(u' ', 1, 1).toInt(), first + 49);
}

}  // namespace
