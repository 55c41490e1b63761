// vantor-directory under a burst: one country of 100,000 cached stations asked for by 50
// clients at once (libcurl, as the program asks), first all with the same Host header, then each
// with a Host of its own. Prints the server's peak and settled memory and checks every answer
// byte for byte. Then how long SIGTERM takes while a large upstream reply is under way: one that
// stalls halfway, and one that has just arrived whole (being read and stored).
//
//   directory_burst_bench [--server EXE] [--stations N] [--clients N] [--accept ENCODINGS] [--stop-only]
//
// --accept sets the clients' Accept-Encoding (default: all libcurl unpacks, as the program asks).
#include "process_figures.h"
#include "play_list.h"
#include "server/tests/server_test_util.h"
#include "upstream_cache.h"

#include <curl/curl.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vantor::server;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

std::string g_exe = VANTOR_DIRECTORY_EXE;
std::string g_accept;

const char *kWords[] = {"Radio", "FM", "Jazz", "Rock", "Klassiek", "Nieuws", "Pop", "Stad", "Zee", "Berg"};

std::string Uuid(int i)
{
    char uuid[40];
    std::snprintf(uuid, sizeof uuid, "0000%04x-0000-4000-8000-%012d", i % 0xffff, i);
    return uuid;
}

std::vector<UpStation> Stations(int count)
{
    std::mt19937 rng(7);
    std::vector<UpStation> out;
    for (int i = 0; i < count; ++i) {
        const std::string name = std::string(kWords[rng() % 10]) + " " + kWords[rng() % 10] + " " + std::to_string(i);
        out.push_back({Uuid(i), "us", name, "http://stream" + std::to_string(i % 97) + ".example/live",
                       "www.station" + std::to_string(i) + ".example/", "MP3", 128, int(rng() % 5000), int(rng() % 50)});
    }
    return out;
}

pid_t Start(const fs::path &data, int port, const std::string &upstream)
{
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stderr);
        execl(g_exe.c_str(), g_exe.c_str(), "--listen", listen.c_str(), "--data", data.c_str(),
              "--upstream", upstream.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    httplib::Client probe("127.0.0.1", port);
    for (int i = 0; i < 400 && !probe.Get("/radio/inter/website/index.php?wat=about"); ++i)
        std::this_thread::sleep_for(25ms);
    return pid;
}

// Milliseconds from SIGTERM to the end of the process.
double Stop(pid_t pid)
{
    const auto start = Clock::now();
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        std::printf("(the server did not end cleanly: status %d)\n", status);
    return ms;
}

// What a client received, without holding 50 lists of 15 MB in the benchmark.
struct Digest {
    size_t bytes = 0;
    uint64_t fnv = 1469598103934665603ull;
    void add(const char *data, size_t n)
    {
        for (size_t i = 0; i < n; ++i)
            fnv = (fnv ^ static_cast<unsigned char>(data[i])) * 1099511628211ull;
        bytes += n;
    }
    bool operator==(const Digest &) const = default;
};

size_t Collect(char *data, size_t size, size_t n, void *into)
{
    static_cast<Digest *>(into)->add(data, size * n);
    return size * n;
}

Digest Fetch(const std::string &url, const std::string &host)
{
    Digest got;
    CURL *c = curl_easy_init();
    curl_slist *headers = curl_slist_append(nullptr, ("Host: " + host).c_str());
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, g_accept.c_str());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 600L);
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, Collect);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &got);
    if (curl_easy_perform(c) != CURLE_OK)
        got.bytes = 0;
    curl_slist_free_all(headers);
    curl_easy_cleanup(c);
    return got;
}

void Burst(const fs::path &data, const std::vector<UpStation> &expected, int clients, bool hosts)
{
    const int port = freePort();
    const pid_t server = Start(data, port, "http://127.0.0.1:" + std::to_string(freePort()) + "/");
    const long atStart = statusKb(server, "VmRSS:");
    std::atomic<bool> done{false};
    long peak = 0;
    std::thread sampler([&] {
        while (!done) {
            peak = std::max(peak, statusKb(server, "VmRSS:"));
            std::this_thread::sleep_for(5ms);
        }
    });
    std::vector<Digest> bodies(clients);
    std::vector<std::string> hostOf(clients);
    std::barrier ready(clients);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    for (int i = 0; i < clients; ++i) {
        hostOf[i] = hosts ? "client" + std::to_string(i) + ".example:" + std::to_string(port) : "127.0.0.1:" + std::to_string(port);
        threads.emplace_back([&, i] {
            ready.arrive_and_wait();
            bodies[i] = Fetch("http://127.0.0.1:" + std::to_string(port) + "/radio/inter/zenders/us.txt", hostOf[i]);
        });
    }
    for (auto &t : threads)
        t.join();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    int right = 0;
    for (int i = 0; i < clients; ++i) {
        const std::string list = playListAnswer(expected, hostOf[i]);
        Digest want;
        want.add(list.data(), list.size());
        right += bodies[i] == want;
    }
    std::this_thread::sleep_for(3s);
    done = true;
    sampler.join();
    std::printf("%-22s %8.1f s %6d/%-3d %10.1f %10.1f %10.1f %10.1f\n", hosts ? "a Host per client" : "one Host", seconds,
                right, clients, atStart / 1024.0, peak / 1024.0, statusKb(server, "VmHWM:") / 1024.0,
                statusKb(server, "VmRSS:") / 1024.0);
    std::fflush(stdout);
    Stop(server);
}

// An upstream whose Holland is `stations` long: sent whole at once, or stalled halfway.
struct SlowUpstream {
    httplib::Server http;
    std::thread thread;
    std::string list;
    bool stall = false;
    std::atomic<bool> begun{false}, sent{false}, stopping{false};
    int port = 0;

    explicit SlowUpstream(int stations)
    {
        list = "[";
        for (const auto &s : Stations(stations))
            list += std::string(list.size() > 1 ? "," : "") + "{\"stationuuid\":\"" + s.uuid + "\",\"name\":\"" + s.name +
                    "\",\"url\":\"" + s.url + "\",\"countrycode\":\"NL\",\"homepage\":\"http://" + s.homepage +
                    "\",\"clickcount\":" + std::to_string(s.clicks) + ",\"votes\":" + std::to_string(s.votes) + "}";
        list += "]";
        http.Get("/json/countries", [](const httplib::Request &, httplib::Response &res) {
            res.set_content(R"([{"name":"The Netherlands","iso_3166_1":"NL","stationcount":100000}])", "application/json");
        });
        http.Get(R"(/json/stations/bycountrycodeexact/nl)", [this](const httplib::Request &, httplib::Response &res) {
            res.set_content_provider(list.size(), "application/json", [this](size_t offset, size_t length, httplib::DataSink &sink) {
                begun = true;
                if (stall && offset >= list.size() / 2) {
                    while (!stopping)
                        std::this_thread::sleep_for(10ms);
                    return false;
                }
                const size_t n = std::min<size_t>(length, 256 * 1024);
                sink.write(list.data() + offset, n);
                if (offset + n == list.size())
                    sent = true;
                return true;
            });
        });
        port = http.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { http.listen_after_bind(); });
    }
    ~SlowUpstream()
    {
        stopping = true;
        http.stop();
        thread.join();
    }
};

// Holland is fetched at start; `asker` also asks for it, and waits for its first arrival.
void StopDuringFetch(int stations, bool stall, bool asker)
{
    TempDir data;
    SlowUpstream upstream(stations);
    upstream.stall = stall;
    const int port = freePort();
    const pid_t server = Start(data.path(), port, "http://127.0.0.1:" + std::to_string(upstream.port) + "/");
    std::thread asking([&] {
        if (asker)
            httplib::Client("127.0.0.1", port).Get("/radio/inter/zenders/nl.txt");
    });
    std::atomic<bool> &when = stall ? upstream.begun : upstream.sent;
    for (int i = 0; i < 6000 && !when; ++i)
        std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(stall ? 1500ms : 500ms);  // well into the stall, or into reading the reply
    const char *what = !stall ? "0.5 s after the whole reply arrived" : asker ? "stalled halfway, a request waiting" : "stalled halfway";
    if (!when)
        std::printf("SIGTERM %-40s (the reply never came)\n", what);
    else
        std::printf("SIGTERM %-40s %8.0f ms  (reply of %.1f MB)\n", what, Stop(server), upstream.list.size() / 1e6);
    std::fflush(stdout);
    if (!when)
        Stop(server);
    asking.join();
}

}  // namespace

int main(int argc, char **argv)
{
    int stations = 100000, clients = 50;
    bool stopOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--stop-only")
            stopOnly = true;
        else if (a == "--stations" && value)
            stations = std::max(1, std::atoi(argv[++i]));
        else if (a == "--clients" && value)
            clients = std::max(1, std::atoi(argv[++i]));
        else if (a == "--server" && value)
            g_exe = argv[++i];
        else if (a == "--accept" && value)
            g_accept = argv[++i];
        else {
            std::fprintf(stderr, "usage: directory_burst_bench [--server EXE] [--stations N] [--clients N] [--accept ENCODINGS]"
                                 " [--stop-only]\n");
            return 2;
        }
    }
    std::signal(SIGPIPE, SIG_IGN);
    curl_global_init(CURL_GLOBAL_DEFAULT);
    TempDir data;
    const auto expected = [&] {
        if (stopOnly)
            return std::vector<UpStation>();
        UpstreamCache cache(data.path("directory.sqlite3"), 1);
        const auto now = static_cast<int64_t>(std::time(nullptr));
        cache.storeStations("us", Stations(stations), now);
        cache.storeCountries({{"us", "United States", stations}}, now);
        return cache.stationsOf("us");
    }();
    std::printf("vantor-directory: %d cached stations in one country, %d clients at once (Accept-Encoding: %s),"
                " upstream unreachable\n\n", stations, clients, g_accept.empty() ? "as the program" : g_accept.c_str());
    std::printf("%-22s %10s %10s %10s %10s %10s %10s\n", "burst", "took", "right", "start MB", "peak MB", "VmHWM MB",
                "after MB");
    if (!stopOnly) {
        Burst(data.path(), expected, clients, false);
        Burst(data.path(), expected, clients, true);
    }
    std::printf("\n");
    StopDuringFetch(stations, true, false);
    StopDuringFetch(stations, true, true);
    StopDuringFetch(stations, false, false);
    curl_global_cleanup();
    return 0;
}
