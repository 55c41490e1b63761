// What earlier runs kept with their server's /play/ address is mended once the station's own
// address is known; nothing else in the files changes.
#include "form1_fixture.h"
#include "history/songlog.h"

namespace {

const QByteArray kOld = "http://127.0.0.1:39999/play/9608b51d-0601-11e8-ae97-52543be04c81";
const QByteArray kOther = "http://127.0.0.1:39999/play/0a-1b";
const QByteArray kOwn = "http://ice.example/reykjavik.mp3";

QByteArray mended(QByteArray bytes) { return bytes.replace(kOld, kOwn); }

TEST_F(Form1Test, EarlierRunsAddressesAreMendedAndNothingElse) {
  const QByteArray ini = dir.read("inst.ini").replace("LaatsteURL=\n", "LaatsteURL=" + kOld + "\n");
  const QByteArray favourite = "[Internet]\nnaam=Reykjavik FM\nurl=" + kOld + "\nwebsite=ice.example/\n";
  const QByteArray other = "[Internet]\r\nnaam=Andere\r\nurl=" + kOther + "\r\n";
  const QByteArray history = "# Songs heard: time, liked (+), station, address, title; separated by tabs\n"
                             "2026-12-01 20:00:00\t-\tReykjavik FM\t" + kOld + "\tOne\n"
                             "2026-12-01 20:04:00\t+\tAndere\t" + kOther + "\tTwo\n";
  dir.write("inst.ini", ini);
  dir.write("favo/Reykjavik FM", favourite);
  dir.write("favo/Andere", other);
  dir.write("history.txt", history);
  launch();
  EXPECT_EQ(player.url, QString::fromLatin1(kOld));  // the player takes it to today's server
  player.findStation("9608B51D-0601-11e8-ae97-52543be04c81", QString::fromLatin1(kOwn));

  EXPECT_EQ(dir.read("favo/Reykjavik FM"), mended(favourite));
  EXPECT_EQ(dir.read("favo/Andere"), other);
  form->saveRemembered();
  EXPECT_EQ(dir.read("inst.ini"), mended(ini));
  // The next song written takes the mended rows along.
  const auto clock = std::make_shared<qint64>(0);
  form->songLog().setClock([clock] { return *clock; });
  player.announceTitle("Three");
  *clock += SongLog::kSongMs;
  player.announceTitle("");
  ASSERT_TRUE(QTest::qWaitFor([&] { return dir.read("history.txt").contains("\tThree\n"); }, 20000));
  const QByteArray now = dir.read("history.txt");
  EXPECT_TRUE(now.startsWith(mended(history)) && now.endsWith("\t" + kOwn + "\tThree\n")) << now.toStdString();
  EXPECT_FALSE(SongHistory::toCsv(form->songLog().history().songs()).contains(QString::fromLatin1(kOld)));
}

}  // namespace
