// Abuse and load figures for vantor-directory: how fast ordinary requests are answered while
// idle connections, slow-loris clients, listeners that never read and a report flood are
// going on, and how far the database grows. Loopback only; every phase is bounded in time.
//
//   directory_abuse_bench [--server EXE] [--port N] [--quick]

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

int g_port = 18160;
pid_t g_server = -1;

// The server's resident memory, from /proc.
long ServerRssKb()
{
    FILE *f = std::fopen(("/proc/" + std::to_string(g_server) + "/status").c_str(), "r");
    long kb = -1;
    char line[256];
    while (f && std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmRSS: %ld", &kb) == 1)
            break;
    if (f)
        std::fclose(f);
    return kb;
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

int Connect(int rcvbuf = 0)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (rcvbuf > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &rcvbuf, sizeof rcvbuf);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(g_port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const std::string &s)
{
    size_t at = 0;
    while (at < s.size()) {
        const ssize_t n = send(fd, s.data() + at, s.size() - at, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

struct Answer {
    int status = 0;           // 0: no answer within the time allowed
    double ms = 0;
    std::string head;
};

// One request on a fresh connection, read until the server closes or `limit` passes.
Answer Request(const std::string &raw, std::chrono::milliseconds limit, size_t stopAfter = 1 << 20)
{
    Answer a;
    const auto start = Clock::now();
    const int fd = Connect();
    if (fd < 0 || !SendAll(fd, raw)) {
        if (fd >= 0)
            close(fd);
        a.ms = Ms(Clock::now() - start);
        return a;
    }
    std::string got;
    char buf[8192];
    while (got.size() < stopAfter) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(start + limit - Clock::now());
        if (left <= 0ms)
            break;
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    a.ms = Ms(Clock::now() - start);
    if (got.rfind("HTTP/1.", 0) == 0 && got.size() > 12)
        a.status = std::atoi(got.c_str() + 9);
    a.head = got.substr(0, got.find("\r\n\r\n"));
    return a;
}

std::string Get(const std::string &path, const std::string &extra = {})
{
    return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + extra + "Connection: close\r\n\r\n";
}

// Median and 99th percentile of ordinary requests; unanswered ones count as the time allowed.
void Latency(const char *phase, int count, std::chrono::milliseconds limit, std::chrono::seconds budget)
{
    std::vector<double> ms;
    int failed = 0;
    const auto end = Clock::now() + budget;
    for (int i = 0; i < count && Clock::now() < end; ++i) {
        const Answer a = Request(Get("/radio/inter/keuze.php"), limit);
        if (a.status != 200)
            ++failed;
        ms.push_back(a.status == 200 ? a.ms : Ms(limit));
        std::this_thread::sleep_for(100ms);
    }
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double q) { return ms.empty() ? 0 : ms[std::min(ms.size() - 1, size_t(q * ms.size()))]; };
    std::printf("%-34s n=%3zu  median %8.1f ms  p99 %8.1f ms  unanswered %d (limit %lld ms)  server RSS %ld kB\n",
                phase, ms.size(), at(0.5), at(0.99), failed, static_cast<long long>(limit.count()), ServerRssKb());
    std::fflush(stdout);
}

std::vector<int> OpenMany(int n, const std::string &send, int rcvbuf = 0)
{
    std::vector<int> fds;
    for (int i = 0; i < n; ++i) {
        const int fd = Connect(rcvbuf);
        if (fd < 0)
            break;
        if (!send.empty())
            SendAll(fd, send);
        fds.push_back(fd);
    }
    return fds;
}

void CloseAll(std::vector<int> &fds)
{
    for (int fd : fds)
        close(fd);
    fds.clear();
}

uintmax_t DbBytes(const fs::path &data)
{
    uintmax_t total = 0;
    std::error_code ec;
    for (const char *f : {"directory.sqlite3", "directory.sqlite3-wal"}) {
        const auto n = fs::file_size(data / f, ec);
        if (!ec)
            total += n;
    }
    return total;
}

pid_t StartServer(const std::string &exe, const fs::path &data)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string listen = "127.0.0.1:" + std::to_string(g_port);
        const int devnull = open("/dev/null", O_WRONLY);
        dup2(devnull, 2);  // the request log is not part of the figures
        execl(exe.c_str(), exe.c_str(), "--listen", listen.c_str(), "--data", data.c_str(), nullptr);
        _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
        const int fd = Connect();
        if (fd >= 0) {
            close(fd);
            return pid;
        }
        std::this_thread::sleep_for(50ms);
    }
    kill(pid, SIGKILL);
    return -1;
}

void SmallOnes()
{
    const Answer nul = Request(Get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz%00x&land="), 5s);
    std::printf("%-34s status %d\n", "search with a NUL", nul.status);
    const Answer longLine = Request(Get("/radio/inter/keuze.php?x=" + std::string(10000, 'a')), 10s);
    std::printf("%-34s status %d, closed after %.0f ms\n", "request line of 10 KB", longLine.status, longLine.ms);
    // Announces 100 MB and sends the first 64 KB of it.
    const Answer post = Request("POST /radio/inter/keuze.php HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 104857600\r\n"
                                "\r\n" + std::string(64 * 1024, 'x'), 10s);
    std::printf("%-34s status %d, closed after %.0f ms\n", "POST announcing 100 MB", post.status, post.ms);
}

}  // namespace

int main(int argc, char **argv)
{
    std::string exe = VANTOR_DIRECTORY_EXE;
    bool quick = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--server" && i + 1 < argc)
            exe = argv[++i];
        else if (a == "--port" && i + 1 < argc)
            g_port = std::atoi(argv[++i]);
        else if (a == "--quick")
            quick = true;
        else {
            std::fprintf(stderr, "usage: directory_abuse_bench [--server EXE] [--port N] [--quick]\n");
            return 2;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    char tmpl[] = "/tmp/vantor-abuse-XXXXXX";
    if (!mkdtemp(tmpl))
        return 1;
    const fs::path data = tmpl;
    std::error_code ec;
    fs::create_directory_symlink(fs::absolute(VANTOR_DEMO_AUDIO_DIR), data / "audio", ec);
    const pid_t server = g_server = StartServer(exe, data);
    if (server < 0) {
        std::fprintf(stderr, "directory_abuse_bench: %s did not start on port %d\n", exe.c_str(), g_port);
        return 1;
    }
    const int n = quick ? 10 : 30;
    const auto limit = 15s;

    Latency("quiet", n, limit, 60s);

    std::vector<int> idle = OpenMany(1000, "");
    std::printf("(%zu idle connections open)\n", idle.size());
    Latency("1000 idle connections", n, limit, 60s);
    CloseAll(idle);
    std::this_thread::sleep_for(1s);

    // 100 slow-loris clients: a request line, then one header line every 3 s.
    std::vector<int> loris = OpenMany(100, "GET / HTTP/1.1\r\n");
    std::atomic<bool> lorisOn{true};
    std::thread trickle([&] {
        for (int line = 0; lorisOn; ++line) {
            for (int i = 0; i < 30 && lorisOn; ++i)
                std::this_thread::sleep_for(100ms);
            for (int fd : loris)
                SendAll(fd, "X-Line-" + std::to_string(line) + ": a\r\n");
        }
    });
    idle = OpenMany(1000, "");
    Latency("1000 idle + 100 slow-loris", n, limit, 90s);
    lorisOn = false;
    trickle.join();
    CloseAll(loris);
    CloseAll(idle);
    std::this_thread::sleep_for(1s);

    // Listeners that never read, with a small receive window so their backlog shows at once.
    std::vector<int> deaf = OpenMany(20, Get("/stream/polder-fm.mp3"), 4096);
    std::this_thread::sleep_for(500ms);
    const auto since = Clock::now();
    int status = 0;
    while (Clock::now() - since < 60s) {
        status = Request(Get("/stream/schelde-radio.mp3"), 5s, 1).status;
        if (status == 200)
            break;
        std::this_thread::sleep_for(1s);
    }
    std::printf("%-34s status %d after %.1f s\n", "new listener beside them", status, Ms(Clock::now() - since) / 1000);
    Latency("20 listeners that never read", n, limit, 60s);
    CloseAll(deaf);

    // Report flood from one address, with ordinary requests alongside.
    const uintmax_t before = DbBytes(data);
    std::atomic<bool> flooding{true};
    std::atomic<int> thanked{0}, refused{0}, sent{0};
    std::thread flood([&] {
        const auto end = Clock::now() + (quick ? 20s : 86s);
        for (int i = 0; i < 3000 && Clock::now() < end; ++i) {
            const std::string url = "http%3A%2F%2F127.0.0.1%2Fstream%2Fs" + std::to_string(i % 50) + ".mp3";
            const Answer a = Request(Get("/radio/inter/website/index.php?wat=melding&lang=english&zenderurl=" + url +
                                         "&zendernaam=" + std::string(1500, 'n') + "&zenderland=Holland"),
                                     10s);
            ++sent;
            (a.status == 200 ? thanked : refused)++;
        }
        flooding = false;
    });
    std::this_thread::sleep_for(500ms);
    Latency("report flood", n, limit, 90s);
    flood.join();
    std::printf("%-34s %d sent, %d thanked, %d refused; database %ju -> %ju bytes\n", "report flood", sent.load(),
                thanked.load(), refused.load(), before, DbBytes(data));

    SmallOnes();

    kill(server, SIGTERM);
    int st = 0;
    waitpid(server, &st, 0);
    fs::remove_all(data, ec);
    return 0;
}
