#include "fake_upstream.h"

#include <nlohmann/json.hpp>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::string fixture(const std::string& name, const std::string& streamsBase) {
  std::ifstream in(std::string(VANTOR_UPSTREAM_FIXTURES) + "/" + name);
  std::stringstream ss;
  ss << in.rdbuf();
  std::string text = ss.str();
  const std::string marker = "{streams}";
  for (size_t p = text.find(marker); p != std::string::npos; p = text.find(marker, p + streamsBase.size()))
    text.replace(p, marker.size(), streamsBase);
  return text;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

FakeUpstream::FakeUpstream(std::string streamsBase) : streamsBase_(std::move(streamsBase)) { routes(); }

FakeUpstream::~FakeUpstream() { stop(); }

int FakeUpstream::start(int port) {
  port_ =
      port ? (server_.bind_to_port("127.0.0.1", port) ? port : -1) : server_.bind_to_any_port("127.0.0.1");
  if (port_ <= 0) return -1;
  thread_ = std::thread([this] { server_.listen_after_bind(); });
  for (int i = 0; i < 500 && !server_.is_running(); ++i) std::this_thread::sleep_for(2ms);
  return port_;
}

void FakeUpstream::stop() {
  stopping_ = true;
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

int FakeUpstream::requests(const std::string& prefix) {
  std::lock_guard lock(mutex_);
  int n = 0;
  for (const auto& [path, count] : requests_)
    if (path.rfind(prefix, 0) == 0) n += count;
  return n;
}

int FakeUpstream::clicks(const std::string& uuid) {
  std::lock_guard lock(mutex_);
  return clicks_[uuid];
}

std::string FakeUpstream::lastUserAgent() {
  std::lock_guard lock(mutex_);
  return userAgent_;
}

std::string FakeUpstream::lastAcceptEncoding() {
  std::lock_guard lock(mutex_);
  return acceptEncoding_;
}

std::string FakeUpstream::germanStations(const std::string& streamsBase, int count) {
  static const char* words[] = {"Rhein", "Welle", "Klassik", "Schlager", "Nord",
                                "Süd",   "Stadt", "Jazz",    "Rock",     "Äther"};
  json out = json::array();
  for (int i = 0; i < count; ++i) {
    char uuid[40];
    std::snprintf(uuid, sizeof uuid, "de000000-0000-4000-8000-%012d", i);
    const std::string name =
        std::string(words[i % 10]) + " " + words[(i / 10) % 10] + " " + std::to_string(i);
    out.push_back({{"stationuuid", uuid},
                   {"name", name},
                   {"url", streamsBase + "/stream/rheinwelle.mp3"},
                   {"url_resolved", streamsBase + "/stream/rheinwelle.mp3"},
                   {"homepage", "https://de" + std::to_string(i) + ".example/"},
                   {"countrycode", "DE"},
                   {"country", "Germany"},
                   {"codec", "MP3"},
                   {"bitrate", 128},
                   {"clickcount", (i * 37) % 1000},
                   {"votes", i % 7},
                   {"hls", 0},
                   {"lastcheckok", 1}});
  }
  return out.dump();
}

void FakeUpstream::note(const httplib::Request& req) {
  std::lock_guard lock(mutex_);
  ++requests_[req.path];
  userAgent_ = req.get_header_value("User-Agent");
  acceptEncoding_ = req.get_header_value("Accept-Encoding");
}

bool FakeUpstream::hostile(httplib::Response& res) {
  switch (behaviour_.load()) {
    case Behaviour::Normal:
      return false;
    case Behaviour::Error500:
      res.status = 500;
      res.set_content("{\"error\":\"overloaded\"}", "application/json");
      return true;
    case Behaviour::Empty:
      res.set_content("[]", "application/json");
      return true;
    case Behaviour::InvalidJson:
      res.set_content("[{\"name\": \"Half a stat", "application/json");
      return true;
    case Behaviour::Slow:
      for (int i = 0; i < 30 && !stopping_; ++i) std::this_thread::sleep_for(100ms);
      return false;
    case Behaviour::Huge:
      res.set_content_provider(200 * 1024 * 1024, "application/json",
                               [](size_t offset, size_t length, httplib::DataSink& sink) {
                                 std::string chunk(std::min<size_t>(length, 64 * 1024), ' ');
                                 if (offset == 0) chunk[0] = '[';
                                 return sink.write(chunk.data(), chunk.size());
                               });
      return true;
    case Behaviour::Nested:  // small, but a parser that builds it holds hundreds of megabytes
      res.set_content("[{\"name\":" + std::string(2'000'000, '[') + std::string(2'000'000, ']') + "}]",
                      "application/json");
      return true;
    case Behaviour::GzipBomb:  // 19 KB that inflate to 20 MB of nested arrays
      res.set_header("Content-Encoding", "gzip");
      res.set_content(fixture("nested.json.gz", {}), "application/json");
      return true;
    case Behaviour::Stall:  // the reply begins, then nothing more comes
      res.set_chunked_content_provider("application/json", [this](size_t offset, httplib::DataSink& sink) {
        if (offset == 0) return sink.write("[", 1);
        std::this_thread::sleep_for(20ms);
        return !stopping_.load();
      });
      return true;
    case Behaviour::Endless:
      res.set_chunked_content_provider("application/json", [this](size_t offset, httplib::DataSink& sink) {
        std::this_thread::sleep_for(50ms);
        const std::string part = offset == 0 ? "[" : "{\"name\":\"x\"},";
        return !stopping_ && sink.write(part.data(), part.size());
      });
      return true;
  }
  return false;
}

void FakeUpstream::routes() {
  server_.Get("/json/countries", [this](const httplib::Request& req, httplib::Response& res) {
    note(req);
    if (!hostile(res)) res.set_content(fixture("countries.json", streamsBase_), "application/json");
  });
  server_.Get(R"(/json/stations/bycountrycodeexact/(\w+))",
              [this](const httplib::Request& req, httplib::Response& res) {
                note(req);
                if (hostile(res)) return;
                const std::string cc = lower(req.matches[1]);
                if (cc == "de")
                  res.set_content(germanStations(streamsBase_), "application/json");
                else if (cc == "nl" || cc == "be")
                  res.set_content(fixture("stations_" + cc + ".json", streamsBase_), "application/json");
                else
                  res.set_content("[]", "application/json");
              });
  server_.Get("/json/stations/search", [this](const httplib::Request& req, httplib::Response& res) {
    note(req);
    if (hostile(res)) return;
    const std::string name = lower(req.get_param_value("name"));
    const std::string cc = lower(req.get_param_value("countrycode"));
    const size_t limit = req.has_param("limit") ? std::stoul(req.get_param_value("limit")) : 100000;
    json found = json::array();
    for (const std::string& text :
         {fixture("stations_nl.json", streamsBase_), fixture("stations_be.json", streamsBase_),
          germanStations(streamsBase_)}) {
      for (const auto& s : json::parse(text)) {
        const bool nameOk = lower(s.value("name", "")).find(name) != std::string::npos;
        const bool ccOk = cc.empty() || lower(s.value("countrycode", "")) == cc;
        if (nameOk && ccOk && found.size() < limit) found.push_back(s);
      }
    }
    res.set_content(found.dump(), "application/json");
  });
  server_.Get(R"(/json/url/([^/]+))", [this](const httplib::Request& req, httplib::Response& res) {
    note(req);
    if (hostile(res)) return;
    {
      std::lock_guard lock(mutex_);
      ++clicks_[req.matches[1]];
    }
    res.set_content("{\"ok\":true,\"message\":\"retrieved station url\",\"stationuuid\":\"" +
                        std::string(req.matches[1]) + "\"}",
                    "application/json");
  });
}
