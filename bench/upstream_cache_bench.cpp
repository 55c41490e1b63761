// Answers of vantor-directory from its upstream cache: 30,000 cached stations in 150 countries,
// the upstream unreachable, country lists and searches asked by 1, 16 and 64 clients at once
// over loopback (a new connection per request, as the program does). Prints requests per
// second, median and 99th-percentile latency, and the server's memory.
#include "process_figures.h"
#include "server/tests/server_test_util.h"
#include "upstream_cache.h"

#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace vantor::server;
using namespace std::chrono_literals;

namespace {

const char *kWords[] = {"Radio", "FM", "Jazz", "Rock", "Klassiek", "Nieuws", "Pop", "Stad", "Zee", "Berg",
                        "Golf", "Hits", "Country", "Dance", "Oldies", "Talk", "Sport", "Folk", "Metal", "Soul"};
constexpr int kCountries = 150;
constexpr int kPerCountry = 200;

std::string Code(int i)
{
    return i == 0 ? "nl" : std::string{static_cast<char>('a' + i / 26), static_cast<char>('a' + i % 26)};
}

void FillCache(const std::string &db)
{
    UpstreamCache cache(db, 1);
    std::vector<UpCountry> countries;
    std::mt19937 rng(7);
    const auto now = static_cast<int64_t>(std::time(nullptr));
    for (int c = 0; c < kCountries; ++c) {
        countries.push_back({Code(c), "Country " + Code(c), kPerCountry});
        std::vector<UpStation> stations;
        for (int s = 0; s < kPerCountry; ++s) {
            char uuid[40];
            std::snprintf(uuid, sizeof uuid, "%08x-0000-4000-8000-%012d", c, s);
            const std::string name = std::string(kWords[rng() % 20]) + " " + kWords[rng() % 20] + " " + std::to_string(s);
            stations.push_back({uuid, Code(c), name, "http://stream.example/" + std::to_string(s),
                                "www.station" + std::to_string(s) + ".example/", "MP3", 128});
        }
        cache.storeStations(Code(c), stations, now);
    }
    cache.storeCountries(countries, now);
}

struct Figures {
    double perSecond, p50, p99;
    size_t failed;
};

Figures Load(int port, int clients, std::chrono::seconds length, const std::function<std::string(std::mt19937 &)> &path)
{
    std::vector<std::vector<double>> took(clients);
    std::atomic<size_t> failed{0};
    const auto end = std::chrono::steady_clock::now() + length;
    std::vector<std::thread> threads;
    for (int t = 0; t < clients; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 rng(t + 1);
            while (std::chrono::steady_clock::now() < end) {
                httplib::Client client("127.0.0.1", port);
                client.set_read_timeout(10, 0);
                const auto start = std::chrono::steady_clock::now();
                auto res = client.Get(path(rng));
                took[t].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
                if (!res || res->status != 200)
                    ++failed;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    std::vector<double> all;
    for (auto &v : took)
        all.insert(all.end(), v.begin(), v.end());
    std::sort(all.begin(), all.end());
    const auto at = [&](double q) { return all.empty() ? 0.0 : all[std::min(all.size() - 1, size_t(q * all.size()))]; };
    return {all.size() / double(length.count()), at(0.5), at(0.99), failed.load()};
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);  // accepts the usual flags; the figures are our own
    const auto length = std::chrono::seconds(argc > 1 ? std::max(1, std::atoi(argv[1])) : 3);
    const std::filesystem::path data = std::filesystem::temp_directory_path() / ("vantor-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(data);
    FillCache((data / "directory.sqlite3").string());

    const int port = freePort();
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const std::string dead = "http://127.0.0.1:" + std::to_string(freePort()) + "/";
    const pid_t server = fork();
    if (server == 0) {
        std::freopen("/dev/null", "w", stderr);
        execl(VANTOR_DIRECTORY_EXE, VANTOR_DIRECTORY_EXE, "--listen", listen.c_str(), "--data", data.c_str(),
              "--upstream", dead.c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    httplib::Client probe("127.0.0.1", port);
    for (int i = 0; i < 200 && !probe.Get("/radio/inter/keuze.php"); ++i)
        std::this_thread::sleep_for(50ms);
    std::printf("vantor-directory with %d cached stations in %d countries, upstream unreachable, %lld s per row\n",
                kCountries * kPerCountry, kCountries, static_cast<long long>(length.count()));
    std::printf("server memory at start: %ld kB resident\n\n", statusKb(server, "VmRSS:"));
    std::printf("%-8s %8s %12s %10s %10s %8s\n", "answer", "clients", "requests/s", "p50 ms", "p99 ms", "failed");

    const auto list = [](std::mt19937 &rng) { return "/radio/inter/zenders/" + Code(int(rng() % kCountries)) + ".txt"; };
    const auto search = [](std::mt19937 &rng) {
        std::string words = kWords[rng() % 20];
        if (rng() % 2)
            words += "%20" + std::string(kWords[rng() % 20]);
        const std::string land = rng() % 2 ? Code(int(rng() % kCountries)) : "";
        return "/radio/inter/zenders/radio-lijst-zoek.php?zoeken=" + words + "&land=" + land;
    };
    for (const auto &[name, path] : {std::pair{"list", std::function(list)}, std::pair{"search", std::function(search)}}) {
        for (int clients : {1, 16, 64}) {
            const Figures f = Load(port, clients, length, path);
            std::printf("%-8s %8d %12.0f %10.2f %10.2f %8zu\n", name, clients, f.perSecond, f.p50, f.p99, f.failed);
        }
    }
    std::printf("\nserver memory: %ld kB resident now, %ld kB at most\n", statusKb(server, "VmRSS:"), statusKb(server, "VmHWM:"));
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    std::filesystem::remove_all(data);
    benchmark::Shutdown();
    return 0;
}
