// Recording and the song log against the real GStreamer player on a loopback station.
#include <QDirIterator>

#include <algorithm>
#include <deque>
#include <limits>
#include <random>
#include <tuple>

#include "history/audioframes.h"
#include "history/recordswitch.h"
#include "history/songlog.h"
#include "playback/listening.h"
#pragma GCC diagnostic ignored "-Wunused-function"  // the shared fixture's mounts we do not use
#include "playback/tests/gst_player_fixture.h"

namespace {

// Plays the whole file as fast as it decodes; true when it reaches its end without an error.
// duration: the audio decoded, summed over the buffers (a chained Ogg file starts its clock
// again at each song).
bool decodesToTheEnd(const QString& file, gint64* duration) {
  GstElement* pipeline = gst_element_factory_make("playbin", nullptr);
  GstElement* out = gst_element_factory_make("fakesink", nullptr);
  g_object_set(pipeline, "uri", QUrl::fromLocalFile(file).toEncoded().constData(), "audio-sink", out,
               nullptr);
  *duration = 0;
  GstPad* pad = gst_element_get_static_pad(out, "sink");
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER,
      [](GstPad*, GstPadProbeInfo* info, gpointer total) {
        *static_cast<gint64*>(total) += GST_BUFFER_DURATION(GST_PAD_PROBE_INFO_BUFFER(info));
        return GST_PAD_PROBE_OK;
      },
      duration, nullptr);
  gst_object_unref(pad);
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* msg =
      gst_bus_timed_pop_filtered(bus, 60 * GST_SECOND, GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ended = msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS;
  if (msg) gst_message_unref(msg);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ended;
}

qint64 size(const QString& file) { return QFileInfo(file).size(); }

// Whole MPEG audio frames from the first byte to the last.
bool wholeFrames(const std::string& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t pos = 0;
  while (pos + 7 <= bytes.size() && audioframes::mpegLength(p + pos)) pos += audioframes::mpegLength(p + pos);
  return !bytes.empty() && pos == bytes.size();
}

class RecordingTest : public GstPlayerTest {
 protected:
  LoopbackRadio::Mount titled(std::vector<std::string> titles, size_t every) {
    LoopbackRadio::Mount m = liveMp3();
    m.titles = std::move(titles);
    m.titleEveryBytes = every;
    m.burst = m.bytesPerSecond;
    return m;
  }

  // The listening follows the player from its first title on.
  void SetUp() override {
    GstPlayerTest::SetUp();
    listening_ = std::make_unique<Listening>(player());
  }

  QTemporaryDir music_;
  std::unique_ptr<Listening> listening_;
};

TEST_F(RecordingTest, AnMp3StreamIsCutIntoOneWholeFilePerTitle) {
  // 6 s a title: long enough for each to start a file.
  radio_.add("/titled.mp3", titled({"First Song", "Second: Song?", "Third/Song"}, 96000));
  player().setURL(url("/titled.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  RecordSwitch recording(*listening_, music_.path());
  ASSERT_EQ(recording.start(QStringLiteral("Loopback: FM")), "");
  const QString folder = music_.path() + QStringLiteral("/Loopback_ FM");
  const auto files = [&] { return QDir(folder).entryList(QDir::Files, QDir::Name); };
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return files().size() == 3 && size(folder + u'/' + files()[2]) > 16000; }, 60000))
      << files().join(u',').toStdString();
  recording.stop();
  const QStringList names = recording.files();
  ASSERT_EQ(names.size(), 3);
  const QStringList endings{" - Loopback_ FM - First Song.mp3", " - Loopback_ FM - Second_ Song_.mp3",
                            " - Loopback_ FM - Third_Song.mp3"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(names[i].toStdString());
    EXPECT_TRUE(names[i].endsWith(endings[i]));
    const std::string bytes = slurp(names[i]);
    EXPECT_TRUE(wholeFrames(bytes));
    gint64 duration = 0;
    EXPECT_TRUE(decodesToTheEnd(names[i], &duration));
    // 128 kbit/s: the decoder heard every byte.
    EXPECT_NEAR(double(duration) / GST_SECOND, bytes.size() / 16000.0, 0.1);
  }
  // Switched off: nothing more is written.
  const qint64 last = size(names[2]);
  QTest::qWait(500);
  EXPECT_EQ(size(names[2]), last);
}

TEST_F(RecordingTest, AnOggStreamStaysOneFileThatPlays) {
  LoopbackRadio::Mount m;
  m.contentType = "application/ogg";
  m.body = media().ogg;
  m.bytesPerSecond = media().oggBytesPerSecond;
  m.burst = m.bytesPerSecond;
  radio_.add("/chained.ogg", m);
  player().setURL(url("/chained.ogg"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  RecordSwitch recording(*listening_, music_.path());
  ASSERT_EQ(recording.start(QStringLiteral("Ogg FM")), "");
  // Into the second song, stopped before the station's loop brings the first one (its serial
  // number again) back.
  const QString folder = music_.path() + QStringLiteral("/Ogg FM");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        const QStringList f = QDir(folder).entryList(QDir::Files);
        if (f.isEmpty()) return false;
        const std::string bytes = slurp(folder + u'/' + f[0]);
        const size_t second = bytes.find(std::string("OggS\0\2", 6), 1);
        return second != std::string::npos && bytes.size() > second + media().oggBytesPerSecond * 3 / 2;
      },
      60000));
  recording.stop();
  ASSERT_EQ(recording.files().size(), 1);
  EXPECT_TRUE(recording.files()[0].endsWith(".ogg"));
  gint64 duration = 0;
  EXPECT_TRUE(decodesToTheEnd(recording.files()[0], &duration));
  // Both songs decode: stopping at the chain's seam would lose the second one's 1.5 s or more.
  const double seconds = double(size(recording.files()[0])) / double(media().oggBytesPerSecond);
  EXPECT_GT(duration, gint64((seconds - 0.75) * GST_SECOND));
}

TEST_F(RecordingTest, StopsWithTheStationAndBeforeTheDiskIsFull) {
  radio_.add("/titled.mp3", titled({"Only"}, 1000000));
  player().setURL(url("/titled.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  RecordSwitch recording(*listening_, music_.path());
  QSignalSpy stopped(&recording, &RecordSwitch::stoppedBy);
  // The disk has 64 KiB above the limit when the recording starts.
  const qint64 limit = qint64(1) << 30;
  recording.setDiskGuard(limit, [&](const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) total += QFileInfo(it.next()).size();
    return limit + 64 * 1024 - total;
  });
  ASSERT_EQ(recording.start(QStringLiteral("Full")), "");
  ASSERT_TRUE(stopped.wait(60000));
  EXPECT_EQ(stopped.at(0).at(0).toString(), "rec2");
  EXPECT_FALSE(recording.isRecording());
  ASSERT_EQ(recording.files().size(), 1);
  EXPECT_LE(size(recording.files()[0]), 64 * 1024);
  EXPECT_GT(size(recording.files()[0]), 48 * 1024);

  // Another station ends a recording; an HLS address is refused.
  ASSERT_EQ(recording.start(QStringLiteral("Other")), "");
  player().setURL(url("/live.mp3"));
  EXPECT_FALSE(recording.isRecording());
  player().setURL(url("/live.m3u8"));
  EXPECT_EQ(recording.start(QStringLiteral("HLS")), "rec1");
}

TEST_F(RecordingTest, AReconnectGoesOnInANewFile) {
  LoopbackRadio::Mount m = titled({"Only"}, 1000000);
  m.dropAfter = 48000;
  radio_.add("/drop.mp3", m);
  player().setURL(url("/drop.mp3"));
  ASSERT_TRUE(waitState(MediaPlayer::Playing));
  RecordSwitch recording(*listening_, music_.path());
  ASSERT_EQ(recording.start(QStringLiteral("Drop")), "");
  const QString folder = music_.path() + QStringLiteral("/Drop");
  ASSERT_TRUE(QTest::qWaitFor([&] { return QDir(folder).entryList(QDir::Files).size() >= 2; }, 60000));
  // A file is named once its connection tells the title: wait for a moment when every file on
  // disk has its title (the newest may start a moment before the switch goes off).
  QStringList named;
  const auto allTitled = [&] {
    named = QDir(folder).entryList(QDir::Files);
    return std::all_of(named.begin(), named.end(),
                       [](const QString& f) { return f.endsWith(" - Drop - Only.mp3"); });
  };
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return (radio_.hits("/drop.mp3") >= 3 && allTitled()) || !recording.isRecording(); }, 60000));
  recording.stop();
  ASSERT_GE(named.size(), 2);
  QStringList recorded;
  for (const QString& file : recording.files()) recorded << QFileInfo(file).fileName();
  for (const QString& name : named) EXPECT_TRUE(recorded.contains(name)) << name.toStdString();
  for (const QString& file : recording.files()) {
    SCOPED_TRACE(file.toStdString());
    gint64 duration = 0;
    EXPECT_TRUE(decodesToTheEnd(file, &duration));
    EXPECT_GT(duration, 0);
  }
}

TEST_F(RecordingTest, EachTitleReachesTheHistoryOnceThroughReconnects) {
  LoopbackRadio::Mount dropping = titled({"Alpha", "Beta"}, 1000000);
  dropping.dropAfter = 48000;  // every connection drops while Alpha plays
  radio_.add("/drop.mp3", dropping);
  radio_.add("/other.mp3", titled({"Gamma", "Delta"}, 128000));  // 8 s a song
  QTemporaryDir folder;
  SongLog log(*listening_, folder.path());
  listening_->play(Station{"Loopback FM", url("/drop.mp3"), {}});
  ASSERT_TRUE(QTest::qWaitFor([&] { return radio_.hits("/drop.mp3") >= 3; }, 60000));
  listening_->play(Station{"Loopback FM", url("/other.mp3"), {}});
  const QString file = SongHistory::fileIn(folder.path());  // written a few seconds after a song
  ASSERT_TRUE(QTest::qWaitFor([&] { return SongHistory(file).songs().size() >= 3; }, 60000));
  QStringList seen;
  const SongHistory saved(file);
  for (const Song& s : saved.songs()) seen << s.title + u'@' + s.url;
  EXPECT_EQ(seen, QStringList({"Alpha@" + url("/drop.mp3"), "Gamma@" + url("/other.mp3"),
                               "Delta@" + url("/other.mp3")}));
}

// Feeds a stream to a recorder in chunks of 1 to maxChunk bytes (exactly maxChunk unless
// random). After each chunk titleAfter(from, to) may name a new song: the stream marks it there,
// and its text comes `lag` bytes later, as the player's does once that point has played. Gives
// the title and size of each file, and their bytes in a row.
std::tuple<QStringList, std::vector<size_t>, std::string> record(
    const std::string& stream, size_t maxChunk, bool random,
    const std::function<QString(size_t from, size_t to)>& titleAfter, size_t lag) {
  QTemporaryDir dir;
  Recorder recorder({dir.path(), QStringLiteral("S"), 0, [](const QString&) { return qint64(1) << 40; }, {}});
  recorder.streamStarted({}, false);
  std::mt19937 chunks(7);
  std::deque<std::pair<size_t, QString>> texts;
  for (size_t pos = 0; pos < stream.size();) {
    const size_t n = std::min<size_t>(random ? 1 + chunks() % maxChunk : maxChunk, stream.size() - pos);
    recorder.streamData(stream.data() + pos, n);
    if (const QString title = titleAfter(pos, pos + n); !title.isEmpty()) {
      recorder.streamTitleMark();
      texts.emplace_back(pos + n + lag, title);
    }
    for (pos += n; !texts.empty() && texts.front().first <= pos; texts.pop_front()) recorder.setTitle(texts.front().second);
  }
  recorder.finish();
  std::tuple<QStringList, std::vector<size_t>, std::string> out;
  for (const QString& file : recorder.files()) {
    const std::string bytes = slurp(file);
    EXPECT_TRUE(wholeFrames(bytes)) << file.toStdString();
    std::get<0>(out) << QFileInfo(file).fileName().section(QStringLiteral(" - "), 2);
    std::get<1>(out).push_back(bytes.size());
    std::get<2>(out) += bytes;
  }
  return out;
}

// Any chunking with titles between any two chunks; 50 titles a second, then songs of 6.5 s, then
// 50 a second again. A cut only where a title lasted 5 s, so no file but the first holds less;
// the same cuts whether a title's text comes at once or seconds after its mark.
TEST(Recorder, CutsBetweenFramesWhereALastingTitleIsMarked) {
  std::string minute;
  for (int i = 0; i < 6; ++i) minute += media().mp3;
  const struct {
    std::string stream;
    size_t skipped, maxChunk;  // 320 bytes: 20 ms at 128 kbit/s
    bool random;
    std::function<QString(size_t, size_t)> titleAfter;
    QStringList titles;
  } cases[] = {
      {"garbage" + minute.substr(0, 390000), 7, 3000, true,
       [](size_t from, size_t to) {
         return from / 100000 == to / 100000 ? QString() : QStringLiteral("Song %1").arg(to / 100000);
       },
       {"Song 1.mp3", "Song 2.mp3", "Song 3.mp3"}},  // the first named the file open without one
      {minute, 0, 320, false,
       [](size_t from, size_t) {
         if (from < 15 * 16000 || from >= 45 * 16000) return QStringLiteral("Flood %1").arg(from);
         return from % 104000 == 0 ? QStringLiteral("Song %1").arg(from / 104000) : QString();
       },
       {"Flood 0.mp3", "Song 3.mp3", "Song 4.mp3", "Song 5.mp3", "Song 6.mp3"}},
  };
  for (const auto& c : cases) {
    std::vector<size_t> atOnce;
    for (const size_t lag : {0, 3 * 16000}) {
      const auto [titles, sizes, joined] = record(c.stream, c.maxChunk, c.random, c.titleAfter, lag);
      EXPECT_EQ(titles, c.titles) << lag;
      if (lag == 0) atOnce = sizes;
      EXPECT_EQ(sizes, atOnce);
      for (size_t i = 1; i < sizes.size(); ++i) EXPECT_GE(sizes[i], 5 * 16000u) << i;  // 128 kbit/s
      EXPECT_EQ(joined, c.stream.substr(c.skipped, joined.size()));
      EXPECT_GT(joined.size(), c.stream.size() - c.skipped - 418);
    }
  }
}

TEST(Recorder, FrameHeadersAndSafeNames) {
  const struct {
    std::vector<unsigned char> header;
    size_t mpeg, adts;
  } headers[] = {
      {{0xFF, 0xFB, 0x90, 0x64, 0, 0, 0}, 417, 0},           // MPEG-1 layer III 128k 44.1 kHz
      {{0xFF, 0xFB, 0x92, 0x64, 0, 0, 0}, 418, 0},           // the same, padded
      {{0xFF, 0xF3, 0x88, 0xC4, 0, 0, 0}, 288, 0},           // MPEG-2 layer III 64k 16 kHz
      {{0xFF, 0xFD, 0xA4, 0x04, 0, 0, 0}, 576, 0},           // MPEG-1 layer II 192k 48 kHz
      {{0xFF, 0xF1, 0x50, 0x80, 0x2E, 0x7F, 0xFC}, 0, 371},  // ADTS, 371 bytes
      {{0xFF, 0xFB, 0xF0, 0x64, 0, 0, 0}, 0, 0},             // bad bitrate
      {{0xFF, 0xF1, 0x50, 0x80, 0x00, 0x1F, 0xFC}, 0, 0},    // ADTS shorter than its header
  };
  for (const auto& h : headers) {
    EXPECT_EQ(audioframes::mpegLength(h.header.data()), h.mpeg);
    EXPECT_EQ(audioframes::adtsLength(h.header.data()), h.adts);
  }
  EXPECT_EQ(RecordingFiles::safeName("a/b\\c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(RecordingFiles::safeName(" ../..\n"), "_.._");
  EXPECT_EQ(RecordingFiles::safeName(".."), "_");
  EXPECT_EQ(RecordingFiles::safeName(QString(100, QChar(0x00E9)), 120), QString(60, QChar(0x00E9)));
  EXPECT_EQ(RecordingFiles::safeName(QStringLiteral("evil\u202Egnp.exe\u2067\u200E")), "evilgnp.exe");
}

// A new station's folder does not exist yet: the guard asks the disk that will hold it, and a
// full one leaves no file behind and is named as the cause.
TEST(Recorder, TheDiskGuardChecksTheFolderANewStationWillBeIn) {
  QTemporaryDir dir;
  Recorder recorder(
      {dir.path() + QStringLiteral("/New FM"), QStringLiteral("New FM"), std::numeric_limits<qint64>::max() / 2, {}, {}});
  recorder.streamStarted({}, false);
  recorder.streamData(media().mp3.data(), 64 * 1024);
  recorder.finish();
  EXPECT_EQ(recorder.stopReason(), Recorder::Stop::DiskFull);
  EXPECT_TRUE(recorder.files().isEmpty());
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

}  // namespace
