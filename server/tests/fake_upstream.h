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
    enum class Behaviour { Normal, Huge, InvalidJson, Endless, Slow, Error500, Empty };

    explicit FakeUpstream(std::string streamsBase = "http://127.0.0.1:8047");
    ~FakeUpstream();
    FakeUpstream(const FakeUpstream &) = delete;
    FakeUpstream &operator=(const FakeUpstream &) = delete;

    int Start(int port = 0);  // returns the port
    void Stop();
    std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

    void SetBehaviour(Behaviour b) { behaviour_ = b; }
    // Requests whose path starts with prefix.
    int Requests(const std::string &prefix);
    int Clicks(const std::string &uuid);
    std::string LastUserAgent();
    std::string LastAcceptEncoding();

    // The generated German stations, as the upstream would send them.
    static std::string GermanStations(const std::string &streamsBase, int count = 2000);

private:
    void Routes();
    void Note(const httplib::Request &req);
    bool Hostile(httplib::Response &res);

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
