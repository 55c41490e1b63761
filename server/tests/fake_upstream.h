#pragma once

#include <httplib.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

// A stand-in for the public station directory on a loopback port, serving the fixture JSON of
// tests/fixtures (with "{streams}" replaced) plus 2,000 generated stations for Germany.
class FakeUpstream {
 public:
  // What every JSON request gets.
  enum class Behaviour { Normal, Huge, InvalidJson, Endless, Stall, Slow, Error500, Empty, Nested, GzipBomb };

  explicit FakeUpstream(std::string streamsBase = "http://127.0.0.1:8047");
  ~FakeUpstream();
  FakeUpstream(const FakeUpstream&) = delete;
  FakeUpstream& operator=(const FakeUpstream&) = delete;

  int start(int port = 0);  // returns the port
  void stop();
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

  void setBehaviour(Behaviour b) { behaviour_ = b; }
  // Requests whose path starts with prefix.
  int requests(const std::string& prefix);
  int clicks(const std::string& uuid);
  std::string lastUserAgent();
  std::string lastAcceptEncoding();

  // The generated German stations, as the upstream would send them.
  static std::string germanStations(const std::string& streamsBase, int count = 2000);

 private:
  void routes();
  void note(const httplib::Request& req);
  bool hostile(httplib::Response& res);

  std::string streamsBase_;
  std::atomic<Behaviour> behaviour_{Behaviour::Normal};
  std::atomic<bool> stopping_{false};
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  std::mutex mutex_;
  std::map<std::string, int> requests_, clicks_;
  std::string userAgent_, acceptEncoding_;
};
