#pragma once

#include "audio_library.h"
#include "route_context.h"
#include "server_limits.h"
#include "stop_signal.h"
#include "stream_framing.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace httplib {
class Server;
}

namespace vantor::server {

// One listener's demo stream: the loop round and round, a burst at connect and then at the
// loop's own rate; with a metadata interval, numbered titles in between.
class DemoStreamPacer {
 public:
  // icyMetaint 0: plain audio.
  DemoStreamPacer(std::shared_ptr<const AudioLoop> loop, std::string stationName, size_t burstBytes,
                  size_t icyMetaint, std::chrono::seconds titleEvery);

  // Writes, in pieces of at most 8 KiB, the audio due `elapsed` after connecting and not sent
  // yet; stops early once stopped() says so. False when a write failed.
  bool sendDue(std::chrono::steady_clock::duration elapsed,
               const std::function<bool(std::string_view)>& write, const std::function<bool()>& stopped);
  size_t audioSent() const { return sentAudio_; }

 private:
  std::shared_ptr<const AudioLoop> loop_;
  std::string name_;
  size_t burstBytes_;
  std::chrono::seconds titleEvery_;
  std::optional<IcyFramer> framer_;
  std::string pass_;
  uint32_t passNo_ = 0;
  size_t pos_ = 0;
  size_t sentAudio_ = 0;
};

// /stream/{key}.{mp3,ogg,pls,m3u}: the demo stations' playlists and audio. streams counts the
// listeners; stop ends every open stream.
void addDemoStreamRoute(httplib::Server& h, const RouteContext& ctx, const AudioLibrary& audio,
                        const ServerLimits& limits, std::atomic<size_t>& streams, StopSignal& stop);

}  // namespace vantor::server
