// Telling a stream from a playlist by the head of the answer, as the pipeline's probe does.
#include <gtest/gtest.h>

#include "playback/answerhead.h"

namespace {

using Verdict = AnswerHead::Verdict;
using playlist::Format;

TEST(AnswerHead, AudioTypesDecideAtOnceAndVagueOnesByTheFirstBytes) {
  for (const char* type : {"audio/mpeg", "application/ogg", "audio/ogg; codecs=opus", "audio/aacp"}) {
    SCOPED_TRACE(type);
    AnswerHead head(QStringLiteral("/stream"));
    EXPECT_EQ(head.setContentType(type), Verdict::Stream);
    EXPECT_TRUE(head.bytes().isEmpty());
  }
  // Audio under a vague type: held back until enough is seen, then passed on whole.
  AnswerHead head(QStringLiteral("/live"));
  EXPECT_EQ(head.setContentType("application/octet-stream"), Verdict::Undecided);
  QByteArray audio(1500, '\0');
  audio[0] = '\xFF';
  audio[1] = '\xFB';
  EXPECT_EQ(head.add(audio), Verdict::Undecided);
  EXPECT_EQ(head.add(audio), Verdict::Undecided);
  EXPECT_EQ(head.add(audio), Verdict::Stream);
  EXPECT_EQ(head.bytes(), audio.repeated(3));
  EXPECT_EQ(head.add("more"), Verdict::Stream);
  EXPECT_EQ(head.bytes().size(), 4500) << "nothing is kept once decided";

  // Neither a playlist nor audio (a web page, HLS): GStreamer has the last word.
  for (const QByteArray& body : {QByteArray("<html><body>Listen live</body></html>"),
                                 QByteArray("#EXTM3U\n#EXT-X-TARGETDURATION:10\nseg1.ts\n")}) {
    AnswerHead page(QStringLiteral("/listen"));
    page.setContentType("text/html");
    EXPECT_EQ(page.add(body), Verdict::Undecided);
    EXPECT_EQ(page.end(), Verdict::Stream);
  }
}

TEST(AnswerHead, PlaylistsAreReadWholeUnderAnyTypeWithinTheCap) {
  const struct {
    const char* path;
    QByteArray type;
    QByteArray body;
    Format format;
  } cases[] = {
      {"/listen.php", "text/plain", "[playlist]\nFile1=http://a/\n", Format::Pls},
      {"/radio.m3u", "application/octet-stream", "http://a/live\n", Format::M3u},
      {"/tune", "", "http://a/live\nhttp://b/live\n", Format::M3u},
      {"/x", "video/x-ms-asf", "<ASX version=\"3.0\"><Entry><Ref HREF=\"http://a/\"/></Entry></ASX>",
       Format::Asx},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    AnswerHead head(QString::fromLatin1(c.path));
    EXPECT_EQ(head.setContentType(c.type), Verdict::Undecided);
    EXPECT_EQ(head.add(c.body), Verdict::Undecided);
    EXPECT_EQ(head.end(), Verdict::Playlist);
    EXPECT_EQ(head.format(), c.format);
    EXPECT_EQ(head.bytes(), c.body);
  }

  // A "playlist" that never ends is cut at the cap, and decided there.
  AnswerHead endless(QStringLiteral("/list.pls"));
  endless.setContentType("audio/x-scpls");
  const QByteArray chunk = QByteArray("File1=http://a/\n").repeated(1000);
  EXPECT_EQ(endless.add("[playlist]\n" + chunk), Verdict::Undecided);
  Verdict v = Verdict::Undecided;
  for (int i = 0; i < 100 && v == Verdict::Undecided; ++i) v = endless.add(chunk);
  EXPECT_EQ(v, Verdict::Playlist);
  EXPECT_EQ(endless.bytes().size(), playlist::kMaxBytes + 1);
  EXPECT_EQ(endless.add(chunk), Verdict::Playlist);
  EXPECT_EQ(endless.bytes().size(), playlist::kMaxBytes + 1);
}

}  // namespace
