// Opens and tears down the GStreamer player over and over on loopback and prints what stays:
// resident memory after each checkpoint of opens, the allocator's own figures, and how much
// malloc_trim hands back at the end. A leak grows with the opens; memory the allocator keeps
// for reuse levels off and mostly comes back with malloc_trim.
//   player_churn_bench AUDIO.mp3 [OPENS (500)] [CHECKPOINTS (10,100,500)]
// Every other open goes to a closed port (the pipeline is built and fails); the rest play until
// PLAYING and are stopped.
#include <QCoreApplication>
#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "loopback_radio.h"
#include "process_figures.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

// How many malloc arenas there are: one <heap> element each in malloc_info's XML.
int arenas() {
  char* text = nullptr;
  size_t size = 0;
  FILE* f = open_memstream(&text, &size);
  if (!f) return -1;
  malloc_info(0, f);
  std::fclose(f);
  int n = 0;
  for (const char* p = text; (p = std::strstr(p, "<heap nr=")); ++p) ++n;
  std::free(text);
  return n;
}

void printLine(const char* what, int opens) {
  const struct mallinfo2 mi = mallinfo2();
  std::printf("%-22s %6d %9ld %6d %10zu %10zu %10zu\n", what, opens, residentKb(), arenas(),
              (mi.arena + mi.hblkhd) / 1024, mi.uordblks / 1024 + mi.hblkhd / 1024, mi.fordblks / 1024);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s AUDIO.mp3 [OPENS] [CHECKPOINTS]\n", argv[0]);
    return 2;
  }
  QFile audio(QString::fromLocal8Bit(argv[1]));
  if (!audio.open(QIODevice::ReadOnly)) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 2;
  }
  const int opens = argc > 2 ? std::atoi(argv[2]) : 500;
  std::set<int> checkpoints;
  for (const QByteArray& n : QByteArray(argc > 3 ? argv[3] : "10,100,500").split(','))
    if (n.toInt() > 0) checkpoints.insert(n.toInt());
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");

  LoopbackRadio radio;
  LoopbackRadio::Mount live;
  live.body = audio.read(256 * 1024).toStdString();  // looped; small, so the server's copies stay small
  radio.add("/live.mp3", live);
  quint16 closedPort = 0;
  {
    QTcpServer probe;  // a port that was free a moment ago: nobody listens there
    probe.listen(QHostAddress::LocalHost);
    closedPort = probe.serverPort();
  }

  GstPlayerTuning tuning;
  tuning.connectTimeoutMs = 20000;
  GstMediaPlayer player(tuning);
  int errors = 0, played = 0, stuck = 0;
  QObject::connect(&player, &MediaPlayer::error, [&errors] { ++errors; });

  std::printf("%-22s %6s %9s %6s %10s %10s %10s\n", "", "opens", "RSS KiB", "arenas", "heap KiB",
              "in use KiB", "free KiB");
  printLine("before", 0);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= opens; ++i) {
    const int before = errors;
    switch (i % 2) {
      case 1:
        player.setURL(QStringLiteral("http://127.0.0.1:%1/closed.mp3").arg(closedPort));
        if (!QTest::qWaitFor([&] { return errors > before; }, 30000)) ++stuck;
        break;
      default:
        player.setURL(QString::fromStdString(radio.url("/live.mp3")));
        if (QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 30000))
          ++played;
        else
          ++stuck;
        player.stop();
        break;
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (checkpoints.count(i)) printLine("after opens", i);
  }
  player.close();
  QTest::qWait(200);  // let the last replies and bus messages go
  printLine("closed", opens);
  malloc_trim(0);
  printLine("after malloc_trim(0)", opens);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d opens in %.1f s: %d played, %d failed as expected, %d stuck\n", opens, secs, played, errors,
              stuck);
  return stuck ? 1 : 0;
}
