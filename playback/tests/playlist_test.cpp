#include <gtest/gtest.h>

#include "playback/playlist.h"

using playlist::Format;

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

const QUrl kBase(QStringLiteral("http://radio.example:8000/lists/station.pls"));

QStringList addresses(Format f, const QByteArray& body, const QUrl& base = kBase) {
  QStringList out;
  for (const QUrl& u : playlist::entries(f, body, base)) out << u.toString();
  return out;
}

TEST(PlaylistDetect, ByContentFirstThenByType) {
  EXPECT_EQ(playlist::detect("text/html", "\xEF\xBB\xBF  [Playlist]\r\nFile1=x"), Format::Pls);
  EXPECT_EQ(playlist::detect("audio/mpeg", "#EXTM3U\nhttp://a/b"), Format::M3u);
  EXPECT_EQ(playlist::detect("", "#EXTM3U\n#EXT-X-TARGETDURATION:10\nseg1.ts"), Format::Hls);
  EXPECT_EQ(playlist::detect("application/vnd.apple.mpegurl", "#EXT-X-VERSION:3\n"), Format::Hls);
  EXPECT_EQ(playlist::detect("audio/x-mpegurl; charset=utf-8", "http://a/b\n"), Format::M3u);
  EXPECT_EQ(playlist::detect("audio/x-scpls", "File1=http://a/b\n"), Format::Pls);
  EXPECT_EQ(playlist::detect("video/x-ms-asf", "<ASX version=\"3\">"), Format::Asx);
  EXPECT_EQ(playlist::detect("application/xml",
                             "<?xml version=\"1.0\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\">"),
            Format::Xspf);
  // A bare address list served as text.
  EXPECT_EQ(playlist::detect("text/plain", "# comment\n\nhttp://a.example/stream\n"), Format::M3u);
}

TEST(PlaylistDetect, AudioAndGarbageAreNotPlaylists) {
  // ASF streams share the ASX content type; their bytes are binary.
  EXPECT_EQ(playlist::detect("video/x-ms-asf", QByteArray("\x30\x26\xB2\x75\x8E\x66\xCF\x11", 8)),
            Format::Unknown);
  EXPECT_EQ(playlist::detect("audio/mpeg", QByteArray("\xFF\xFB\x90\x00\x00\x00", 6)), Format::Unknown);
  EXPECT_EQ(playlist::detect("application/octet-stream", QByteArray("ID3\x03\x00\x00", 6)), Format::Unknown);
  EXPECT_EQ(playlist::detect("text/html", "<html><body>Not found</body></html>"), Format::Unknown);
  EXPECT_EQ(playlist::detect("text/plain", "hello there\nhttp://a/b"), Format::Unknown);
  EXPECT_EQ(playlist::detect("", ""), Format::Unknown);

  EXPECT_TRUE(playlist::isMediaType("audio/mpeg"));
  EXPECT_TRUE(playlist::isMediaType("Application/Ogg"));
  EXPECT_FALSE(playlist::isMediaType("audio/x-mpegurl"));
  EXPECT_FALSE(playlist::isMediaType("audio/x-scpls"));
  EXPECT_FALSE(playlist::isMediaType("video/x-ms-asf"));
  EXPECT_FALSE(playlist::isMediaType("text/plain"));
}

TEST(PlaylistPls, EntriesInNumberOrderOnlyFromThePlaylistSection) {
  const QByteArray body =
      "[other]\nFile1=http://wrong.example/\n"
      "[playlist]\r\nnumberofentries=3\r\nFile2=http://b.example/two\r\nTitle1=One\r\n"
      "FILE1 = "
      "http://a.example/one\r\nFile3=three.mp3\r\nFile10=http://c.example/ten\r\nFile2=http://dup.example/"
      "\r\n";
  EXPECT_EQ(addresses(Format::Pls, body),
            QStringList({QStringLiteral("http://a.example/one"), QStringLiteral("http://b.example/two"),
                         QStringLiteral("http://radio.example:8000/lists/three.mp3"),
                         QStringLiteral("http://c.example/ten")}));
}

TEST(PlaylistM3u, CommentsRelativeEntriesAndLineEnds) {
  const QByteArray body =
      "#EXTM3U\r\n#EXTINF:-1,Station One\r\nhttp://one.example/live\r\n\r\n"
      "  stream/two.mp3  \r\n/root.aac\r\nhttps://three.example:8443/x?y=1&z=2\r\n"
      "C:\\Music\\local.mp3\r\njavascript:alert(1)\r\nfile:///etc/passwd\r\nhttp://one.example/live\r\n";
  EXPECT_EQ(addresses(Format::M3u, body),
            QStringList({QStringLiteral("http://one.example/live"),
                         QStringLiteral("http://radio.example:8000/lists/stream/two.mp3"),
                         QStringLiteral("http://radio.example:8000/root.aac"),
                         QStringLiteral("https://three.example:8443/x?y=1&z=2")}));
}

TEST(PlaylistM3u, LocalFilesOnlyFromALocalPlaylist) {
  const QUrl local = QUrl::fromLocalFile(QStringLiteral("/home/me/radio/list.m3u"));
  EXPECT_EQ(addresses(Format::M3u, "song.mp3\nfile:///tmp/x.ogg\nhttp://a.example/s\n", local),
            QStringList({QStringLiteral("file:///home/me/radio/song.mp3"),
                         QStringLiteral("file:///tmp/x.ogg"), QStringLiteral("http://a.example/s")}));
}

TEST(PlaylistAsx, TolerantOfSloppyMarkup) {
  const QByteArray body =
      "<ASX version=\"3.0\">\n<TITLE>Radio & more</TITLE>\n"
      "<Entry><Ref HREF = \"http://a.example/one?x=1&amp;y=2\" /></Entry>\n"
      "<entry><ref href='mms://b.example/two'/></entry>\n"
      "<entry><REF href=http://c.example/three></entry>\n"
      "<entryref href=\"more.asx\"/>\n</ASX>";
  EXPECT_EQ(addresses(Format::Asx, body),
            QStringList({QStringLiteral("http://a.example/one?x=1&y=2"),
                         QStringLiteral("mms://b.example/two"), QStringLiteral("http://c.example/three"),
                         QStringLiteral("http://radio.example:8000/lists/more.asx")}));
}

TEST(PlaylistXspf, TrackLocationsOnly) {
  const QByteArray body =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"
      "<location>http://not-a-track.example/</location><trackList>"
      "<track><title>One</title><location>http://a.example/one</location></track>"
      "<track><location>rel/two.ogg</location></track>"
      "</trackList></playlist>";
  EXPECT_EQ(addresses(Format::Xspf, body),
            QStringList({QStringLiteral("http://a.example/one"),
                         QStringLiteral("http://radio.example:8000/lists/rel/two.ogg")}));
  // Broken XML still gives what came before the break.
  EXPECT_EQ(
      addresses(Format::Xspf,
                "<playlist><trackList><track><location>http://a.example/x</location></track><track><loc"),
      QStringList({QStringLiteral("http://a.example/x")}));
}

TEST(PlaylistLimits, GarbageSizeCapAndEntryCap) {
  const QByteArray garbage("\x00\xFF\x13\x37[playlist]\nFile1=http://a/\x00", 26);
  EXPECT_TRUE(addresses(Format::M3u, garbage).size() <= 1);
  EXPECT_TRUE(addresses(Format::Pls, "no section here\nFile1=http://a.example/\n").isEmpty());
  EXPECT_TRUE(addresses(Format::Hls, "#EXTM3U\nseg.ts\n").isEmpty());

  // Nothing past the cap is read, and the line the cap cuts is dropped, not half-used.
  QByteArray big = "#EXTM3U\nhttp://first.example/\n";
  big += QByteArray(playlist::kMaxBytes - big.size() - 10, '#');
  big += "\nhttp://cut.example/long-name\nhttp://late.example/\n";
  EXPECT_EQ(addresses(Format::M3u, big), QStringList({QStringLiteral("http://first.example/")}));

  QByteArray many;
  for (int i = 0; i < 100; ++i) many += "http://s" + QByteArray::number(i) + ".example/\n";
  const QStringList first = addresses(Format::M3u, many);
  ASSERT_EQ(first.size(), playlist::kMaxEntries);
  EXPECT_EQ(first.front(), QStringLiteral("http://s0.example/"));
}

}  // namespace
