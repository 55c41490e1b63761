#pragma once

// A small radio station on 127.0.0.1 for player tests: paced audio streams with ICY metadata,
// playlists, missing and dropping streams. It can go away and come back on the same port, or
// stall (keep its connections and send nothing). Header-only; include it in one test file.

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

class LoopbackRadio {
 public:
  struct Mount {
    int status = 200;
    std::string contentType = "audio/mpeg";
    std::string body;
    bool live = true;  // loop the body forever, sent at bytesPerSecond
    size_t bytesPerSecond = 16000;
    size_t burst = 64 * 1024;      // sent at once on connect, as real servers do
    size_t dropAfter = 0;          // close the connection after this many audio bytes
    int failAfterConnections = 0;  // from this connection on, answer 503 (0: never)
    // ICY titles: titles[i] is current from byte i * titleEveryBytes; sent when asked for.
    std::vector<std::string> titles;
    size_t titleEveryBytes = 0;
    size_t metaint = 8192;
  };

  LoopbackRadio() { start(); }
  ~LoopbackRadio() { stop(); }

  // The server goes away: open connections end, new ones are refused.
  void stop() {
    running_ = false;
    if (!server_) return;
    server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
  }

  // Serves again, on the port it had before (a free one the first time).
  void start() {
    if (server_) return;
    running_ = true;
    server_ = std::make_unique<httplib::Server>();
    server_->new_task_queue = [] { return new httplib::ThreadPool(24); };
    server_->set_keep_alive_max_count(1);
    server_->Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) { serve(req, res); });
    const bool bound = port_ > 0 ? server_->bind_to_port("127.0.0.1", port_)
                                 : (port_ = server_->bind_to_any_port("127.0.0.1")) > 0;
    if (!bound) throw std::runtime_error("cannot bind a loopback port");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

  // While stalled every connection, old or new, stays open and gets no more audio.
  void stall(bool on) { stalled_ = on; }

  LoopbackRadio(const LoopbackRadio&) = delete;
  LoopbackRadio& operator=(const LoopbackRadio&) = delete;

  void add(const std::string& path, Mount m) {
    std::lock_guard lock(mutex_);
    mounts_[path] = std::move(m);
  }

  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  int port() const { return port_; }

  // Requests that asked for the path, and the headers of the last one.
  int hits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = hits_.find(path);
    return it == hits_.end() ? 0 : it->second;
  }
  std::string lastHeader(const std::string& path, const std::string& name) const {
    std::lock_guard lock(mutex_);
    const auto it = headers_.find(path);
    if (it == headers_.end()) return {};
    const auto h = it->second.find(name);
    return h == it->second.end() ? std::string() : h->second;
  }
  // Requests that asked for ICY metadata: the media framework, not a playlist probe.
  int icyHits(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = icyHits_.find(path);
    return it == icyHits_.end() ? 0 : it->second;
  }

 private:
  void serve(const httplib::Request& req, httplib::Response& res) {
    Mount m;
    int connection = 0;
    const bool icy = req.get_header_value("Icy-MetaData") == "1";
    {
      std::lock_guard lock(mutex_);
      connection = ++hits_[req.path];
      if (icy) ++icyHits_[req.path];
      headers_[req.path] = req.headers;
      const auto it = mounts_.find(req.path);
      if (it == mounts_.end()) {
        res.status = 404;
        res.set_content("not here", "text/plain");
        return;
      }
      m = it->second;
    }
    if (m.failAfterConnections > 0 && connection >= m.failAfterConnections) m.status = 503;
    if (m.status != 200) {
      res.status = m.status;
      res.set_content("unavailable", "text/plain");
      return;
    }
    if (!m.live) {
      res.set_content(m.body, m.contentType.c_str());
      return;
    }
    const bool withMeta = icy && !m.titles.empty();
    if (withMeta) res.set_header("icy-metaint", std::to_string(m.metaint));
    res.set_header("icy-name", "Loopback Radio");
    res.set_content_provider(m.contentType.c_str(), [this, m, withMeta](size_t, httplib::DataSink& sink) {
      return stream(m, withMeta, sink);
    });
  }

  bool stream(const Mount& m, bool withMeta, httplib::DataSink& sink) {
    const auto start = std::chrono::steady_clock::now();
    size_t sent = 0;       // audio bytes
    size_t sinceMeta = 0;  // audio bytes since the last metadata block
    size_t pos = 0;
    while (running_ && !m.body.empty()) {
      if (m.dropAfter && sent >= m.dropAfter) break;
      const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const auto allowed = static_cast<size_t>(m.burst + elapsed * m.bytesPerSecond);
      if (sent >= allowed || stalled_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      size_t n = std::min<size_t>({1024, allowed - sent, m.body.size() - pos});
      if (withMeta) n = std::min(n, m.metaint - sinceMeta);
      if (!sink.write(m.body.data() + pos, n)) return false;
      sent += n;
      sinceMeta += n;
      pos = (pos + n) % m.body.size();
      if (withMeta && sinceMeta == m.metaint) {
        sinceMeta = 0;
        const std::string block = metadata(m, sent);
        if (!sink.write(block.data(), block.size())) return false;
      }
    }
    sink.done();
    return true;
  }

  static std::string metadata(const Mount& m, size_t sent) {
    const size_t i = m.titleEveryBytes ? std::min(sent / m.titleEveryBytes, m.titles.size() - 1) : 0;
    std::string text = "StreamTitle='" + m.titles[i] + "';";
    const size_t blocks = (text.size() + 15) / 16;
    text.resize(blocks * 16, '\0');
    return std::string(1, static_cast<char>(blocks)) + text;
  }

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  std::atomic<bool> running_{true};
  std::atomic<bool> stalled_{false};
  mutable std::mutex mutex_;
  std::map<std::string, Mount> mounts_;
  std::map<std::string, int> hits_;
  std::map<std::string, int> icyHits_;
  std::map<std::string, httplib::Headers> headers_;
};
