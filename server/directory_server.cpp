#include "directory_server.h"

#include "answer_sender.h"
#include "answers.h"
#include "http_gate.h"
#include "text.h"

#include <httplib.h>

#include <ctime>

namespace vantor::server {

namespace {

constexpr const char* kTagList = "text/plain; charset=utf-8";
constexpr const char* kHtml = "text/html; charset=utf-8";

std::string param(const httplib::Request& req, const char* key) {
  return req.has_param(key) ? queryValueToUtf8(req.get_param_value(key)) : std::string();
}

std::string utcNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

// Splits "name.ext"; false when there is not exactly one dot.
bool splitFileName(const std::string& file, std::string& stem, std::string& ext) {
  const size_t dot = file.find('.');
  if (dot == std::string::npos || file.find('.', dot + 1) != std::string::npos) return false;
  stem = file.substr(0, dot);
  ext = file.substr(dot + 1);
  return isPlainName(stem);
}

// Every listener holds a worker for as long as it listens, so pages always keep some.
ServerLimits withWorkers(ServerLimits l) {
  l.connections.workers = l.maxStreams + 8;
  return l;
}

}  // namespace

std::string logSafe(const std::string& s) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '\\') {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

DirectoryServer::DirectoryServer(DirectoryDb& db, const AudioLibrary& audio, ServerLimits limits, LogSink log)
    : db_(db),
      audio_(audio),
      limits_(withWorkers(limits)),
      log_(std::move(log)),
      http_(std::make_unique<GatedHttpServer>(limits_.connections)),
      reportLimiter_(limits_.reportBurst, limits_.reportEvery) {
  routes();
}

DirectoryServer::~DirectoryServer() { stop(); }

int DirectoryServer::bind(const std::string& host, int port) {
  int bound = -1;
  if (port == 0)
    bound = http_->bind_to_any_port(host);
  else if (http_->bind_to_port(host, port))
    bound = port;
  if (bound > 0)
    fallbackHost_ =
        (host.find(':') != std::string::npos ? "[" + host + "]" : host) + ":" + std::to_string(bound);
  return bound;
}

bool DirectoryServer::run() {
  if (stopping()) return false;
  return http_->serve();
}

void DirectoryServer::stop() {
  {
    std::lock_guard lock(stopMutex_);
    stopping_ = true;
  }
  stopCv_.notify_all();
  http_->shutdown();
}

bool DirectoryServer::isRunning() const { return http_->is_running(); }

bool DirectoryServer::waitStopping(std::chrono::milliseconds d) {
  std::unique_lock lock(stopMutex_);
  return stopCv_.wait_for(lock, d, [this] { return stopping_.load(); });
}

void DirectoryServer::routes() {
  auto& h = *http_;

  h.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
    if (req.headers.size() > limits_.maxHeaders) {
      res.status = 431;
      res.set_content("too many headers\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.params.size() > limits_.maxQueryParams) {
      res.status = 414;
      res.set_content("too many query values\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    }
    for (const auto& [key, value] : req.params) {
      if (key.size() > 64 || value.size() > limits_.maxQueryValue) {
        res.status = 414;
        res.set_content("query value too long\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  h.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.body.empty() && !res.content_provider_)
      res.set_content(unknownPage(langFromParam(param(req, "lang"))), kHtml);
  });

  h.set_exception_handler([this](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
    std::string what = "unknown error";
    try {
      std::rethrow_exception(ep);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    log_("vantor-directory: error on " + logSafe(req.path) + ": " + logSafe(what));
    res.status = 500;
    res.set_content("internal error\n", "text/plain");
  });

  h.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
    std::string target = req.target;
    if (target.size() > limits_.maxLoggedTarget)
      target =
          target.substr(0, limits_.maxLoggedTarget) + "...(" + std::to_string(req.target.size()) + " bytes)";
    log_(utcNow() + " " + req.remote_addr + " " + logSafe(req.method) + " " + logSafe(target) + " " +
         std::to_string(res.status) + " " +
         (res.content_provider_ ? (res.content_length_ ? std::to_string(res.content_length_) : "stream")
                                : std::to_string(res.body.size())));
  });

  auto hostOf = [this](const httplib::Request& req) {
    const std::string host = req.get_header_value("Host");
    return isUsableHost(host) ? host : fallbackHost_;
  };

  h.Get("/radio/inter/keuze.php", [this](const httplib::Request& req, httplib::Response& res) {
    const Lang lang = langFromParam(param(req, "lang"));
    const auto upstream = source_ ? source_->countryList(lang) : std::nullopt;
    res.set_content(upstream ? *upstream : countryListAnswer(db_.countries(), lang), kTagList);
  });

  h.Get(R"(/radio/inter/zenders/(.*))", [this, hostOf](const httplib::Request& req, httplib::Response& res) {
    const std::string file = req.matches[1];
    if (file == "radio-lijst-zoek.php") {
      const std::string land = param(req, "land");
      if (!land.empty() && !isPlainName(land)) {
        res.set_content("", kTagList);  // no such country, so no stations
        return;
      }
      if (auto upstream = source_ ? source_->search(param(req, "zoeken"), land) : nullptr) {
        sendAnswer(res, std::move(upstream), hostOf(req), kTagList);
        return;
      }
      res.set_content(stationListAnswer(db_.search(param(req, "zoeken"), land), hostOf(req)), kTagList);
      return;
    }
    const auto stem = stemFromListFile(file);
    if (!stem) {
      res.status = 404;
      return;
    }
    const bool awaited = source_ && source_->awaits(*stem);
    auto upstream = source_ ? source_->stationList(*stem) : nullptr;
    // A list that arrived in between is served, not passed off as demo.
    if (!upstream && awaited && !source_->awaits(*stem)) upstream = source_->stationList(*stem);
    if (upstream) {
      sendAnswer(res, std::move(upstream), hostOf(req), kTagList);
      return;
    }
    const bool stillAwaited = awaited && source_->awaits(*stem);
    const auto stations = db_.stationsOf(*stem);
    if (stations.empty() && !stillAwaited) {
      res.status = 404;
      return;
    }
    const std::string list = stationListAnswer(stations, hostOf(req));
    res.set_content(stillAwaited ? provisionalList(list) : list, kTagList);
  });

  h.Get("/radio/inter/website/index.php", [this](const httplib::Request& req, httplib::Response& res) {
    const Lang lang = langFromParam(param(req, "lang"));
    const std::string wat = param(req, "wat");
    if (wat == "home") {
      const auto summary = source_ ? std::optional(source_->summary()) : std::nullopt;
      res.set_content(homePage(lang, cleanVersion(param(req, "versie")), db_.countries().size(),
                               summary ? &*summary : nullptr),
                      kHtml);
    } else if (wat == "about") {
      res.set_content(aboutPage(lang), kHtml);
    } else if (wat == "melding") {
      Report r;
      r.received = utcNow();
      r.lang = param(req, "lang");
      r.url = param(req, "zenderurl");
      r.name = param(req, "zendernaam");
      r.country = param(req, "zenderland");
      r.remote = req.remote_addr;
      if (r.url.empty()) {
        res.status = 400;
        res.set_content(reportIncompletePage(lang), kHtml);
        return;
      }
      if (!reportLimiter_.allow(r.remote)) {
        res.status = 429;
        res.set_content(reportTooManyPage(lang), kHtml);
        return;
      }
      db_.addReport(r);  // throws on failure, so no thank-you for a lost report
      res.set_content(reportThanksPage(lang, r.name), kHtml);
    } else {
      res.status = 404;
    }
  });

  h.Get("/", [this, hostOf](const httplib::Request& req, httplib::Response& res) {
    const Lang lang = langFromParam(param(req, "lang"));
    if (auto upstream = source_ ? source_->sitePage(lang, param(req, "land"), hostOf(req)) : std::nullopt) {
      res.set_content(*upstream, kHtml);
      return;
    }
    const auto countries = db_.countries();
    std::vector<std::vector<StationRow>> stations;
    for (const auto& c : countries) stations.push_back(db_.stationsOf(c.stem));
    res.set_content(sitePage(lang, countries, stations, hostOf(req)), kHtml);
  });

  h.Get(R"(/station/([^/]*))", [this, hostOf](const httplib::Request& req, httplib::Response& res) {
    const std::string key = req.matches[1];
    const Lang lang = langFromParam(param(req, "lang"));
    if (auto upstream = source_ ? source_->stationPage(lang, key, hostOf(req)) : std::nullopt) {
      res.set_content(*upstream, kHtml);
      return;
    }
    const auto station = isPlainName(key) ? db_.stationByKey(key) : std::nullopt;
    if (!station) {
      res.status = 404;
      return;
    }
    std::vector<std::vector<StationRow>> one{{*station}};
    std::vector<CountryRow> country;
    for (const auto& c : db_.countries())
      if (asciiLower(c.stem) == asciiLower(station->country)) country.push_back(c);
    if (country.empty()) one.clear();
    res.set_content(sitePage(lang, country, one, hostOf(req)), kHtml);
  });

  // Stations of the upstream directory: counted there, then the listener is sent on.
  h.Get(R"(/play/([^/]*))", [this](const httplib::Request& req, httplib::Response& res) {
    const auto target = source_ ? source_->playTarget(req.matches[1], req.remote_addr) : std::nullopt;
    if (!target) {
      res.status = 404;
      return;
    }
    res.set_redirect(*target, 302);
  });

  h.Get(R"(/stream/([^/]*))", [this, hostOf](const httplib::Request& req, httplib::Response& res) {
    std::string key, ext;
    if (!splitFileName(req.matches[1], key, ext)) {
      res.status = 404;
      return;
    }
    const auto station = db_.stationByKey(key);
    if (!station || station->kind == StreamKind::Broken) {
      res.status = 404;
      return;
    }
    const StreamKind kind = station->kind;
    if (ext == "pls" && kind == StreamKind::Pls) {
      res.set_content(playlistPls(*station, hostOf(req)), "audio/x-scpls");
      return;
    }
    if (ext == "m3u" && kind == StreamKind::M3u) {
      res.set_content(playlistM3u(*station, hostOf(req)), "audio/x-mpegurl");
      return;
    }
    const bool wantOgg = ext == "ogg";
    if ((wantOgg && kind != StreamKind::Ogg) || (!wantOgg && (ext != "mp3" || kind == StreamKind::Ogg))) {
      res.status = 404;
      return;
    }
    auto loop = audio_.find(key);
    if (!loop) {
      res.status = 503;
      res.set_content("this demo station has no audio yet\n", "text/plain");
      return;
    }
    if (streams_.fetch_add(1) >= limits_.maxStreams) {
      streams_.fetch_sub(1);
      res.status = 503;
      res.set_content("too many listeners\n", "text/plain");
      return;
    }

    struct Session {
      std::shared_ptr<const AudioLoop> loop;
      std::string pass;
      uint32_t passNo = 0;
      size_t pos = 0;
      size_t sentAudio = 0;
      std::optional<IcyFramer> framer;
      std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    };
    auto s = std::make_shared<Session>();
    s->loop = loop;
    s->pass = loop->pass(0);

    res.set_header("icy-name", station->name);
    res.set_header("icy-genre", station->tags);
    res.set_header("icy-br", std::to_string(station->bitrateKbps));
    res.set_header("icy-pub", "0");
    res.set_header("Cache-Control", "no-cache, no-store");
    if (!loop->ogg && req.get_header_value("Icy-MetaData") == "1") {
      s->framer.emplace(limits_.icyMetaint);
      res.set_header("icy-metaint", std::to_string(limits_.icyMetaint));
    }

    const bool drops = kind == StreamKind::Drop;
    const std::string name = station->name;
    res.set_content_provider(
        loop->ogg ? "audio/ogg" : "audio/mpeg",
        [this, s, drops, name](size_t, httplib::DataSink& sink) {
          const auto elapsed = std::chrono::steady_clock::now() - s->start;
          const double seconds = std::chrono::duration<double>(elapsed).count();
          const size_t due = limits_.burstBytes + static_cast<size_t>(s->loop->bytesPerSecond * seconds);
          while (s->sentAudio < due && !stopping()) {
            if (s->pos >= s->pass.size()) {
              s->pass = s->loop->pass(++s->passNo);
              s->pos = 0;
            }
            const size_t n = std::min({due - s->sentAudio, s->pass.size() - s->pos, size_t{8192}});
            const std::string_view audio = std::string_view(s->pass).substr(s->pos, n);
            bool ok;
            if (s->framer) {
              const auto every = static_cast<size_t>(s->loop->bytesPerSecond * limits_.titleEvery.count());
              const std::string title =
                  name + " - demo part " + std::to_string(1 + s->sentAudio / std::max<size_t>(every, 1));
              std::string framed;
              s->framer->frame(audio, title, framed);
              ok = sink.write(framed.data(), framed.size());
            } else {
              ok = sink.write(audio.data(), audio.size());
            }
            if (!ok) return false;
            s->pos += n;
            s->sentAudio += n;
          }
          if (drops && elapsed >= limits_.dropAfter) {
            sink.done();
            return true;
          }
          return !waitStopping(std::chrono::milliseconds(50)) && sink.is_writable();
        },
        [this](bool) { streams_.fetch_sub(1); });
  });
}

}  // namespace vantor::server
