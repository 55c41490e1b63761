// What a station that changes its title 50 times a second costs the player: a loopback ICY
// station (the MP3 looped at 128 kbit/s, a new title every 320 bytes) played by the GStreamer
// player, with the song log on a history of 4,000 songs and the recording on. Prints the
// history's writes, the bytes the process wrote, the files recorded, the CPU, and the event
// loop's longest delay (a 10 ms timer's lateness: what an MPRIS read would wait). Then Like on
// all 5,000 songs of a full history at once.
// TITLE_BYTES (320) sets how often the title changes; a large one gives the figures without a flood.
//   title_flood_bench AUDIO.mp3 [SECONDS (60)] [TITLE_BYTES (320)]
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "history/recordswitch.h"
#include "history/songlog.h"
#include "playback/listening.h"
#include "loopback_radio.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Bytes this process has handed to write() so far.
long long writtenBytes() {
  QFile io(QStringLiteral("/proc/self/io"));
  if (io.open(QIODevice::ReadOnly))
    for (const QByteArray& line : io.readAll().split('\n'))
      if (line.startsWith("wchar:")) return line.mid(6).trimmed().toLongLong();
  return -1;
}

void fill(const QString& folder, int songs) {
  SongHistory h(SongHistory::fileIn(folder));
  for (int i = 0; i < songs; ++i)
    h.add({QDateTime::currentDateTime(), QStringLiteral("Home FM"), QStringLiteral("http://home/"),
           QStringLiteral("Artist %1 - Song %1").arg(i)});
  h.save();
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: title_flood_bench AUDIO.mp3 [SECONDS]\n");
    return 2;
  }
  QFile audio(QString::fromLocal8Bit(argv[1]));
  if (!audio.open(QIODevice::ReadOnly)) return 2;
  const int seconds = argc > 2 ? std::atoi(argv[2]) : 60;
  const size_t titleBytes = argc > 3 ? size_t(std::atoll(argv[3])) : 320;
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");

  LoopbackRadio radio;
  LoopbackRadio::Mount m;
  m.body = audio.readAll().toStdString();
  for (int i = 0; i < 50 * (seconds + 30); ++i) m.titles.push_back("Flood " + std::to_string(i));
  m.metaint = 320;
  m.titleEveryBytes = titleBytes;
  radio.add("/flood.mp3", m);

  QTemporaryDir profile, music;
  fill(profile.path(), 4000);
  GstMediaPlayer player;
  Listening listening(player);
  SongLog log(listening, profile.path());
  int titles = 0;
  QObject::connect(&player, &MediaPlayer::streamTitleChanged, [&titles] { ++titles; });
  listening.play(Station{QStringLiteral("Flood FM"), QString::fromStdString(radio.url("/flood.mp3")), {}});
  if (!QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 30000)) {
    std::fprintf(stderr, "the stream did not start\n");
    return 1;
  }
  RecordSwitch recording(listening, music.path());
  if (!recording.start(QStringLiteral("Flood FM")).isEmpty()) return 1;

  QElapsedTimer wall, tick;
  std::vector<qint64> late;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] { late.push_back(tick.restart() - 10); });
  const int titlesBefore = titles, writesBefore = log.history().writes();
  const long long bytesBefore = writtenBytes();
  const double cpuBefore = cpuSeconds();
  wall.start();
  tick.start();
  probe.start();
  QTest::qWait(seconds * 1000);
  probe.stop();
  const double elapsed = wall.elapsed() / 1000.0;
  recording.stop();
  int files = 0, shortFiles = 0;
  for (QDirIterator it(music.path(), QDir::Files, QDirIterator::Subdirectories); it.hasNext(); ++files)
    if (QFileInfo(it.next()).size() < 5 * 16000) ++shortFiles;
  std::sort(late.begin(), late.end());
  const auto percentile = [&late](double p) {
    return late.empty() ? 0 : late[size_t(p * (late.size() - 1))];
  };
  std::printf(
      "%.1f s: %d titles (%.1f/s), %d history writes, %.1f MB written, %d files recorded (%d under 5 s), "
      "CPU %.1f%% of a core\n",
      elapsed, titles - titlesBefore, (titles - titlesBefore) / elapsed,
      log.history().writes() - writesBefore, (writtenBytes() - bytesBefore) / 1e6, files, shortFiles,
      100.0 * (cpuSeconds() - cpuBefore) / elapsed);
  std::printf("a 10 ms timer late by: median %lld ms, 99th percentile %lld ms, at most %lld ms\n",
              percentile(0.5), percentile(0.99), percentile(1));
  player.close();

  // Ctrl+A and Like on a full history.
  QTemporaryDir full;
  fill(full.path(), SongHistory::kLimit);
  SongLog likes(listening, full.path());
  QList<int> all(SongHistory::kLimit);
  std::iota(all.begin(), all.end(), 0);
  const int likeWrites = likes.history().writes();
  const long long likeBytes = writtenBytes();
  wall.restart();
  likes.setLiked(all, true);
  std::printf("Like on %d songs: %lld ms, %d history writes, %.2f MB written\n", int(all.size()),
              wall.elapsed(), likes.history().writes() - likeWrites, (writtenBytes() - likeBytes) / 1e6);
  return 0;
}
