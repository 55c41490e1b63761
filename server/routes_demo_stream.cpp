#include "routes_demo_stream.h"

#include "answers.h"
#include "routes.h"
#include "text.h"

#include <algorithm>

namespace vantor::server {

namespace {

// Splits "name.ext"; false when there is not exactly one dot.
bool splitFileName(const std::string& file, std::string& stem, std::string& ext) {
  const size_t dot = file.find('.');
  if (dot == std::string::npos || file.find('.', dot + 1) != std::string::npos) return false;
  stem = file.substr(0, dot);
  ext = file.substr(dot + 1);
  return isPlainName(stem);
}

}  // namespace

DemoStreamPacer::DemoStreamPacer(std::shared_ptr<const AudioLoop> loop, std::string stationName,
                                 size_t burstBytes, size_t icyMetaint, std::chrono::seconds titleEvery)
    : loop_(std::move(loop)),
      name_(std::move(stationName)),
      burstBytes_(burstBytes),
      titleEvery_(titleEvery) {
  pass_ = loop_->pass(0);
  if (icyMetaint > 0) framer_.emplace(icyMetaint);
}

bool DemoStreamPacer::sendDue(std::chrono::steady_clock::duration elapsed,
                              const std::function<bool(std::string_view)>& write,
                              const std::function<bool()>& stopped) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  const size_t due = burstBytes_ + static_cast<size_t>(loop_->bytesPerSecond * seconds);
  while (sentAudio_ < due && !stopped()) {
    if (pos_ >= pass_.size()) {
      pass_ = loop_->pass(++passNo_);
      pos_ = 0;
    }
    const size_t n = std::min({due - sentAudio_, pass_.size() - pos_, size_t{8192}});
    const std::string_view audio = std::string_view(pass_).substr(pos_, n);
    bool ok;
    if (framer_) {
      const auto every = static_cast<size_t>(loop_->bytesPerSecond * titleEvery_.count());
      const std::string title =
          name_ + " - demo part " + std::to_string(1 + sentAudio_ / std::max<size_t>(every, 1));
      std::string framed;
      framer_->frame(audio, title, framed);
      ok = write(framed);
    } else {
      ok = write(audio);
    }
    if (!ok) return false;
    pos_ += n;
    sentAudio_ += n;
  }
  return true;
}

void addDemoStreamRoute(httplib::Server& h, const RouteContext& ctx, const AudioLibrary& audio,
                        const ServerLimits& limits, std::atomic<size_t>& streams, StopSignal& stop) {
  h.Get(R"(/stream/([^/]*))", [&ctx, &audio, &limits, &streams, &stop](const httplib::Request& req,
                                                                       httplib::Response& res) {
    std::string key, ext;
    if (!splitFileName(req.matches[1], key, ext)) {
      res.status = 404;
      return;
    }
    const auto station = ctx.db.stationByKey(key);
    if (!station || station->kind == StreamKind::Broken) {
      res.status = 404;
      return;
    }
    const StreamKind kind = station->kind;
    if (ext == "pls" && kind == StreamKind::Pls) {
      res.set_content(playlistPls(*station, ctx.hostOf(req)), "audio/x-scpls");
      return;
    }
    if (ext == "m3u" && kind == StreamKind::M3u) {
      res.set_content(playlistM3u(*station, ctx.hostOf(req)), "audio/x-mpegurl");
      return;
    }
    const bool wantOgg = ext == "ogg";
    if ((wantOgg && kind != StreamKind::Ogg) || (!wantOgg && (ext != "mp3" || kind == StreamKind::Ogg))) {
      res.status = 404;
      return;
    }
    auto loop = audio.find(key);
    if (!loop) {
      res.status = 503;
      res.set_content("this demo station has no audio yet\n", "text/plain");
      return;
    }
    if (streams.fetch_add(1) >= limits.maxStreams) {
      streams.fetch_sub(1);
      res.status = 503;
      res.set_content("too many listeners\n", "text/plain");
      return;
    }

    res.set_header("icy-name", station->name);
    res.set_header("icy-genre", station->tags);
    res.set_header("icy-br", std::to_string(station->bitrateKbps));
    res.set_header("icy-pub", "0");
    res.set_header("Cache-Control", "no-cache, no-store");
    const bool titles = !loop->ogg && req.get_header_value("Icy-MetaData") == "1";
    if (titles) res.set_header("icy-metaint", std::to_string(limits.icyMetaint));

    auto pacer = std::make_shared<DemoStreamPacer>(loop, station->name, limits.burstBytes,
                                                   titles ? limits.icyMetaint : 0, limits.titleEvery);
    const auto start = std::chrono::steady_clock::now();
    const bool drops = kind == StreamKind::Drop;
    res.set_content_provider(
        loop->ogg ? "audio/ogg" : "audio/mpeg",
        [&stop, &limits, pacer, start, drops](size_t, httplib::DataSink& sink) {
          const auto elapsed = std::chrono::steady_clock::now() - start;
          const bool written = pacer->sendDue(
              elapsed, [&sink](std::string_view data) { return sink.write(data.data(), data.size()); },
              [&stop] { return stop.raised(); });
          if (!written) return false;
          if (drops && elapsed >= limits.dropAfter) {
            sink.done();
            return true;
          }
          return !stop.wait(std::chrono::milliseconds(50)) && sink.is_writable();
        },
        [&streams](bool) { streams.fetch_sub(1); });
  });
}

}  // namespace vantor::server
