// What a start costs, on loopback: the time from setURL to PLAYING and the connections the
// station sees, for a stream whose path names the file type, a stream at an address that does
// not say what it is, and a playlist served as plain text at such an address.
//   player_start_bench [STARTS (20)]
#include <QCoreApplication>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "loopback_radio.h"
#include "playback/mediaplayer_gstreamer.h"

namespace {

// Silent MPEG-1 layer III frames, 128 kbit/s, 44.1 kHz: 417 bytes of zeros after the header.
std::string silence(int frames) {
  std::string frame(417, '\0');
  frame[0] = '\xFF';
  frame[1] = '\xFB';
  frame[2] = '\x90';
  std::string out;
  for (int i = 0; i < frames; ++i) out += frame;
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");

  LoopbackRadio radio;
  LoopbackRadio::Mount live;
  live.body = silence(400);
  radio.add("/live.mp3", live);
  radio.add("/stream", live);
  LoopbackRadio::Mount list;
  list.live = false;
  list.contentType = "text/plain";
  list.body = "[playlist]\nNumberOfEntries=1\nFile1=" + radio.url("/live.mp3") + "\n";
  radio.add("/listen", list);

  const auto allHits = [&] {
    return radio.hits("/live.mp3") + radio.hits("/stream") + radio.hits("/listen");
  };
  GstMediaPlayer player;
  std::printf("%-34s %7s %10s %10s %12s\n", "address", "starts", "median ms", "max ms", "connections");
  const struct {
    const char* path;
    const char* label;
  } kinds[] = {{"/live.mp3", "/live.mp3"},
               {"/stream", "/stream (audio/mpeg)"},
               {"/listen", "/listen (a playlist as text/plain)"}};
  for (const auto& [path, label] : kinds) {
    const int hitsBefore = allHits();
    std::vector<double> ms;
    for (int i = 0; i < starts; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      player.setURL(QString::fromStdString(radio.url(path)));
      if (!QTest::qWaitFor([&] { return player.playState() == MediaPlayer::Playing; }, 20000)) {
        std::fprintf(stderr, "%s did not play: %s\n", path, qPrintable(player.statusText()));
        return 1;
      }
      ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
      player.close();
      QTest::qWait(100);
    }
    std::sort(ms.begin(), ms.end());
    const int connections = allHits() - hitsBefore;
    std::printf("%-34s %7d %10.0f %10.0f %12.2f\n", label, starts, ms[ms.size() / 2], ms.back(),
                double(connections) / starts);
  }
  return 0;
}
