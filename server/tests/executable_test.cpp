#include "server_test_util.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

pid_t Start(const std::vector<std::string> &args, const std::string &logPath)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 2);
        std::vector<char *> argv{const_cast<char *>(VANTOR_DIRECTORY_EXE)};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

int WaitExit(pid_t pid, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (std::chrono::steady_clock::now() < end) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(20ms);
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return -1;
}

}  // namespace

TEST(Executable, ServesUntilSigtermThenEndsCleanlyAndLogsEachRequest)
{
    TempDir tmp;
    const int port = FreePort();
    const pid_t pid = Start({"--listen", "127.0.0.1:" + std::to_string(port), "--data", tmp.Path("data")},
                            tmp.Path("log"));
    httplib::Client client("127.0.0.1", port);
    auto res = client.Get("/radio/inter/zenders/holland.txt");
    for (int i = 0; i < 100 && !res; ++i) {
        std::this_thread::sleep_for(50ms);
        res = client.Get("/radio/inter/zenders/holland.txt");
    }
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body.substr(0, 22), "<naam>Polder FM</naam>");  // the shipped catalogue, Holland first

    kill(pid, SIGTERM);
    EXPECT_EQ(WaitExit(pid, 3s), 0);
    const std::string log = ReadAll(tmp.Path("log"));
    EXPECT_NE(log.find("GET /radio/inter/zenders/holland.txt 200"), std::string::npos) << log;
    EXPECT_NE(log.find("stopped"), std::string::npos) << log;
    EXPECT_TRUE(std::filesystem::exists(tmp.Path("data/directory.sqlite3")));
}

TEST(Executable, RefusesBadArgumentsAndABusyPort)
{
    TempDir tmp;
    EXPECT_EQ(WaitExit(Start({"--listen", "127.0.0.1"}, tmp.Path("log")), 3s), 2);
    EXPECT_EQ(WaitExit(Start({"--bogus"}, tmp.Path("log")), 3s), 2);
    EXPECT_EQ(WaitExit(Start({"--upstream", "ftp://mirror.example/", "--data", tmp.Path("d")}, tmp.Path("log")), 3s), 2);
    EXPECT_EQ(WaitExit(Start({"--max-age", "soon"}, tmp.Path("log")), 3s), 2);
    EXPECT_EQ(WaitExit(Start({"--catalogue", tmp.Path("none.json"), "--data", tmp.Path("d")}, tmp.Path("log")), 3s), 1);

    const int port = FreePort();
    const std::string listen = "127.0.0.1:" + std::to_string(port);
    const pid_t first = Start({"--listen", listen, "--data", tmp.Path("d1")}, tmp.Path("log1"));
    httplib::Client client("127.0.0.1", port);
    for (int i = 0; i < 100 && !client.Get("/"); ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(WaitExit(Start({"--listen", listen, "--data", tmp.Path("d2")}, tmp.Path("log2")), 3s), 1);
    EXPECT_NE(ReadAll(tmp.Path("log2")).find("cannot listen"), std::string::npos);
    kill(first, SIGTERM);
    EXPECT_EQ(WaitExit(first, 3s), 0);
}
