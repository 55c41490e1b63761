#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "player/stationlist.h"

namespace {

std::string shown(const QList<Favourite>& stations) {
  QStringList out;
  for (const Favourite& s : stations) out << s.naam + u'|' + s.url + u'|' + s.website;
  return out.join(u'\n').toStdString();
}

TEST(StationList, ExportThenImportIntoAnEmptyFolderGivesTheSameFavourites) {
  QTemporaryDir from, to;
  const Favourites original(from.path());
  const QList<Favourite> stations = {{"Radio Één, & <Co>", "http://127.0.0.1:8000/a.mp3?x=1&y=2", "www.een.example"},
                                     {"No site", "https://127.0.0.1/b", ""},
                                     {"#EXTINF:-1,odd", "http://127.0.0.1/c", "site.example/path"}};
  for (const Favourite& s : stations) ASSERT_TRUE(original.add(s));
  for (const QString file : {"list.m3u", "list.pls", "list.xspf"}) {
    QTemporaryDir empty;
    const Favourites imported(empty.path());
    const auto contents = stationlist::parse(
        stationlist::write(stationlist::formatForPath(file), stationlist::readAll(original)), file);
    ASSERT_TRUE(contents) << file.toStdString();
    EXPECT_EQ(contents->refused, 0);
    const auto count = stationlist::addAll(imported, contents->stations);
    EXPECT_EQ(count.added, 3);
    EXPECT_EQ(shown(stationlist::readAll(imported)), shown(stationlist::readAll(original))) << file.toStdString();
    // A second import finds them all there.
    EXPECT_EQ(stationlist::addAll(imported, contents->stations).skipped, 3);
  }
}

TEST(StationList, HostilePlaylistsGiveOnlyHttpStationsWithSafeNames) {
  const struct {
    const char* file;
    QByteArray body;
    const char* stations;  // name|url|website per line
    int refused;
  } cases[] = {
      {"a.m3u",
       "#EXTM3U\n#EXTINF:-1,../../etc/passwd\nhttp://127.0.0.1/a\n#EXTINF:-1,Local\nfile:///etc/passwd\n"
       "#EXTINF:-1,Script\njavascript:alert(1)\n/home/user/song.mp3\n#EXTINF:-1,.hidden\nhttps://127.0.0.1/b\n",
       "etc-passwd|http://127.0.0.1/a|\nhidden|https://127.0.0.1/b|", 3},
      {"crlf-bom.m3u", "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:-1,Crlf\r\nhttp://127.0.0.1/c\r\n", "Crlf|http://127.0.0.1/c|", 0},
      {"crlf-bom.pls",
       "\xEF\xBB\xBF[playlist]\r\nFile1=http://127.0.0.1/p\r\nTitle1=P\xE9pite\r\nFile2=file:///x\r\n"
       "Website1=javascript:alert(1)\r\n",
       "P\u00e9pite|http://127.0.0.1/p|", 1},
      {"bidi.xspf",
       "\xEF\xBB\xBF<?xml version=\"1.0\"?><playlist xmlns=\"http://xspf.org/ns/0/\"><trackList>"
       "<track><location>http://127.0.0.1/x</location><title>evil\xE2\x80\xAEgnp.exe\nnext/line</title>"
       "<info>http://site.example</info></track>"
       "<track><location>javascript:x</location></track></trackList></playlist>",
       "evilgnp.exe next-line|http://127.0.0.1/x|site.example", 1},
      {"bare.m3u", "http://127.0.0.1:8000/stream\n", "127.0.0.1:8000 stream|http://127.0.0.1:8000/stream|", 0},
  };
  for (const auto& c : cases) {
    const auto contents = stationlist::parse(c.body, QString::fromLatin1(c.file));
    ASSERT_TRUE(contents) << c.file;
    EXPECT_EQ(shown(contents->stations), QString::fromUtf8(c.stations).toStdString()) << c.file;
    EXPECT_EQ(contents->refused, c.refused) << c.file;
  }
  // Neither an HTML page nor an HLS list is a list of stations.
  EXPECT_FALSE(stationlist::parse("<html><body>x</body></html>", "a.m3u"));
  EXPECT_FALSE(stationlist::parse("#EXTM3U\n#EXT-X-VERSION:3\nhttp://127.0.0.1/s.ts\n", "a.m3u"));
}

TEST(StationList, ALargeFileOrOneThatIsNoFileIsNotRead) {
  QTemporaryDir dir;
  QFile big(dir.filePath("big.m3u"));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly));
  const QByteArray line = "#EXTINF:-1,x\nhttp://127.0.0.1/s\n";
  for (qint64 written = 0; written < 10 * 1024 * 1024; written += line.size()) big.write(line);
  big.close();
  EXPECT_FALSE(stationlist::readFile(big.fileName()));
  EXPECT_FALSE(stationlist::readFile(dir.path()));
  // A list under the cap is read, its stations capped.
  QFile many(dir.filePath("many.m3u"));
  ASSERT_TRUE(many.open(QIODevice::WriteOnly));
  for (int i = 0; i < 1500; ++i) many.write("http://127.0.0.1/" + QByteArray::number(i) + "\n");
  many.close();
  const auto contents = stationlist::readFile(many.fileName());
  ASSERT_TRUE(contents);
  EXPECT_EQ(contents->stations.size(), stationlist::kMaxStations);
  EXPECT_EQ(contents->refused, 500);
}

}  // namespace
