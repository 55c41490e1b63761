// A long listen on loopback: the GStreamer player plays a live MP3 station whose title changes
// every second and whose connection is dropped every two minutes (the player reconnects). Every
// 10 s it samples resident memory, threads and open files; at the end it prints the slope of
// each (least squares) over the samples after the warm-up, per hour.
//   soak_bench AUDIO.mp3 [MINUTES (30)] [WARMUP_MINUTES (5)] [DROP_EVERY_S (120)]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <malloc.h>

#include <malloc.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "loopback_radio.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

struct Sample {
  double hours = 0;
  double rssKib = 0;
  double threads = 0;
  double files = 0;
  double heapKib = 0;  // what malloc counts as in use: a leak grows here, fragmentation does not
};

long statusField(const char* name) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(name)) return line.mid(qstrlen(name)).trimmed().split(' ').value(0).toLong();
  return -1;
}

Sample sample(double hours) {
  return {hours, static_cast<double>(statusField("VmRSS:")), static_cast<double>(statusField("Threads:")),
          static_cast<double>(
              QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size()),
          static_cast<double>(mallinfo2().uordblks + mallinfo2().hblkhd) / 1024};
}

// Least-squares slope of y over hours.
template <typename F>
double slope(const std::vector<Sample>& s, F y) {
  double n = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const Sample& p : s) {
    n += 1;
    sx += p.hours;
    sy += y(p);
    sxx += p.hours * p.hours;
    sxy += p.hours * y(p);
  }
  const double d = n * sxx - sx * sx;
  return d > 0 ? (n * sxy - sx * sy) / d : 0;
}

int logLines = 0;
QtMessageHandler previousHandler = nullptr;
void countingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  ++logLines;
  previousHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s AUDIO.mp3 [MINUTES] [WARMUP_MINUTES] [DROP_EVERY_S]\n", argv[0]);
    return 2;
  }
  QFile audio(QString::fromLocal8Bit(argv[1]));
  if (!audio.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  const double minutes = argc > 2 ? std::atof(argv[2]) : 30;
  const double warmup = argc > 3 ? std::atof(argv[3]) : 5;
  const int dropEvery = argc > 4 ? std::atoi(argv[4]) : 120;
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
  previousHandler = qInstallMessageHandler(countingHandler);

  LoopbackRadio radio;
  LoopbackRadio::Mount live;
  live.body = audio.read(256 * 1024).toStdString();  // looped
  live.bytesPerSecond = 16000;                       // 128 kbit/s
  live.burst = live.bytesPerSecond;
  live.dropAfter = live.burst + static_cast<size_t>(dropEvery) * live.bytesPerSecond;
  live.titleEveryBytes = live.bytesPerSecond;  // a new title every second
  live.metaint = 4000;                         // four metadata blocks a second
  for (int i = 0; i <= dropEvery + 2; ++i) live.titles.push_back("Soak Artist - Song " + std::to_string(i));
  radio.add("/soak.mp3", live);

  GstMediaPlayer player;
  int errors = 0, titles = 0, reconnects = 0;
  QObject::connect(&player, &MediaPlayer::error, [&errors] { ++errors; });
  QObject::connect(&player, &MediaPlayer::streamTitleChanged, [&titles] { ++titles; });
  QObject::connect(&player, &MediaPlayer::statusChanged, [&] {
    if (player.statusText() == QStringLiteral("Reconnecting...")) ++reconnects;
  });
  player.setURL(QString::fromStdString(radio.url("/soak.mp3")));

  std::printf("%8s %10s %10s %8s %6s %7s %11s %9s  %s\n", "min", "RSS KiB", "heap KiB", "threads", "files",
              "titles", "reconnects", "log lines", "status");
  std::vector<Sample> after;
  QElapsedTimer clock;
  clock.start();
  const qint64 end = static_cast<qint64>(minutes * 60000);
  int logAtWarmup = -1;
  for (qint64 next = 0; next <= end; next += 10000) {
    QTest::qWait(static_cast<int>(std::max<qint64>(next - clock.elapsed(), 0)));
    const double mins = clock.elapsed() / 60000.0;
    const Sample s = sample(mins / 60);
    if (mins >= warmup) {
      after.push_back(s);
      if (logAtWarmup < 0) logAtWarmup = logLines;
    }
    std::printf("%8.2f %10.0f %10.0f %8.0f %6.0f %7d %11d %9d  %s\n", mins, s.rssKib, s.heapKib, s.threads,
                s.files, titles, reconnects, logLines, qPrintable(player.statusText()));
    std::fflush(stdout);
  }
  const double rssMibPerHour = slope(after, [](const Sample& s) { return s.rssKib; }) / 1024;
  std::printf(
      "\nafter %.0f min of warm-up, %zu samples: RSS %+.3f MiB/h, heap in use %+.3f MiB/h, threads %+.2f/h, "
      "files %+.2f/h, log lines %d\n",
      warmup, after.size(), rssMibPerHour, slope(after, [](const Sample& s) { return s.heapKib; }) / 1024, slope(after, [](const Sample& s) { return s.threads; }),
      slope(after, [](const Sample& s) { return s.files; }), logAtWarmup < 0 ? 0 : logLines - logAtWarmup);
  std::printf(
      "%d titles, %d reconnects, %d errors, %d connections; aim: RSS under 1 MiB/h, threads and files flat\n",
      titles, reconnects, errors, radio.icyHits("/soak.mp3"));
  player.close();
  return errors ? 1 : 0;
}
