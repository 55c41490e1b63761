// What recording costs while a station plays: CPU and resident memory of the playing player,
// windows without and with recording taking turns in one run, so a busy machine weighs on both
// alike. A loopback station paces a 128 kbit/s MP3 with ICY titles that change every 8 s (so
// the recording cuts files); the audio goes to "fakesink sync=true" unless VANTOR_AUDIO_SINK
// says otherwise. The station runs in this process: its threads count in both columns alike.
//   recording_bench AUDIO.mp3 [ROUNDS (5)] [SECONDS (10)]
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "history/recordswitch.h"
#include "loopback_radio.h"
#include "process_figures.h"
#include "playback/listening.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

double cpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Window {
  double cpuPercent;
  long rssKb;
};

Window measure(int seconds) {
  const auto start = std::chrono::steady_clock::now();
  const double cpu = cpuSeconds();
  QTest::qWait(seconds * 1000);
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {100.0 * (cpuSeconds() - cpu) / wall, residentKb()};
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: recording_bench AUDIO.mp3 [ROUNDS] [SECONDS]\n");
    return 2;
  }
  QFile audio(QString::fromLocal8Bit(argv[1]));
  if (!audio.open(QIODevice::ReadOnly)) return 2;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 10;
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");

  LoopbackRadio radio;
  LoopbackRadio::Mount m;
  m.body = audio.readAll().toStdString();
  for (int i = 0; i < 1000; ++i) m.titles.push_back("Artist - Song " + std::to_string(i));
  m.titleEveryBytes = 8 * 16000;
  radio.add("/bench.mp3", m);

  GstMediaPlayer player;
  Listening listening(player);  // the recording takes its titles
  player.setURL(QString::fromStdString(radio.url("/bench.mp3")));
  if (!QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 30000)) {
    std::fprintf(stderr, "the stream did not start\n");
    return 1;
  }
  QTemporaryDir music;
  RecordSwitch recording(listening, music.path());
  measure(2);  // settle

  std::vector<double> off, on, rssOff, rssOn;
  std::printf("round  cpu%% off  cpu%% on  rss KiB off  rss KiB on\n");
  for (int r = 1; r <= rounds; ++r) {
    const Window a = measure(seconds);
    if (!recording.start(QStringLiteral("Bench FM")).isEmpty()) {
      std::fprintf(stderr, "recording refused\n");
      return 1;
    }
    const Window b = measure(seconds);
    recording.stop();
    off.push_back(a.cpuPercent);
    on.push_back(b.cpuPercent);
    rssOff.push_back(a.rssKb);
    rssOn.push_back(b.rssKb);
    std::printf("%5d  %8.2f  %7.2f  %11ld  %10ld\n", r, a.cpuPercent, b.cpuPercent, a.rssKb, b.rssKb);
    std::fflush(stdout);
  }
  std::printf("median %7.2f  %7.2f  %11.0f  %10.0f\n", median(off), median(on), median(rssOff),
              median(rssOn));
  std::printf(
      "recording costs %.2f percentage points of CPU and %.0f KiB (median of the rounds' differences: "
      "%.2f points); files written: %d\n",
      median(on) - median(off), median(rssOn) - median(rssOff),
      [&] {
        std::vector<double> d;
        for (size_t i = 0; i < on.size(); ++i) d.push_back(on[i] - off[i]);
        return median(d);
      }(),
      int(recording.files().size()));
  return 0;
}
