#include "fake_upstream.h"
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
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

std::string readAll(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

pid_t start(const std::vector<std::string>& args, const std::string& logPath) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 1);
    dup2(fd, 2);
    std::vector<char*> argv{const_cast<char*>(VANTOR_DIRECTORY_EXE)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

int waitExit(pid_t pid, std::chrono::milliseconds limit) {
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

TEST(Executable, ServesUntilSigtermThenEndsCleanlyAndLogsEachRequest) {
  TempDir tmp;
  const int port = freePort();
  const pid_t pid =
      start({"--listen", "127.0.0.1:" + std::to_string(port), "--data", tmp.path("data")}, tmp.path("log"));
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
  EXPECT_EQ(waitExit(pid, 3s), 0);
  const std::string log = readAll(tmp.path("log"));
  EXPECT_NE(log.find("GET /radio/inter/zenders/holland.txt 200"), std::string::npos) << log;
  EXPECT_NE(log.find("stopped"), std::string::npos) << log;
  EXPECT_TRUE(std::filesystem::exists(tmp.path("data/directory.sqlite3")));
}

TEST(Executable, RefusesBadArgumentsAndABusyPort) {
  TempDir tmp;
  EXPECT_EQ(waitExit(start({"--listen", "127.0.0.1"}, tmp.path("log")), 3s), 2);
  EXPECT_EQ(waitExit(start({"--bogus"}, tmp.path("log")), 3s), 2);
  EXPECT_EQ(
      waitExit(start({"--upstream", "ftp://mirror.example/", "--data", tmp.path("d")}, tmp.path("log")), 3s),
      2);
  EXPECT_EQ(waitExit(start({"--max-age", "soon"}, tmp.path("log")), 3s), 2);
  EXPECT_EQ(waitExit(start({"--version"}, tmp.path("log")), 3s), 0);
  EXPECT_EQ(readAll(tmp.path("log")), "vantor-directory 2.0\n");
  EXPECT_EQ(
      waitExit(start({"--catalogue", tmp.path("none.json"), "--data", tmp.path("d")}, tmp.path("log")), 3s),
      1);

  const int port = freePort();
  const std::string listen = "127.0.0.1:" + std::to_string(port);
  const pid_t first = start({"--listen", listen, "--data", tmp.path("d1")}, tmp.path("log1"));
  httplib::Client client("127.0.0.1", port);
  for (int i = 0; i < 100 && !client.Get("/"); ++i) std::this_thread::sleep_for(50ms);
  EXPECT_EQ(waitExit(start({"--listen", listen, "--data", tmp.path("d2")}, tmp.path("log2")), 3s), 1);
  EXPECT_NE(readAll(tmp.path("log2")).find("cannot listen"), std::string::npos);
  kill(first, SIGTERM);
  EXPECT_EQ(waitExit(first, 3s), 0);
}

// With an upstream, background refreshes run while SIGTERM arrives: the end is orderly all the same.
TEST(Executable, EndsInOrderOnSigtermInUpstreamModeWithAPortFileOfItsOwn) {
  TempDir tmp;
  FakeUpstream upstream;
  ASSERT_GT(upstream.start(), 0);
  const std::string portFile = tmp.path("directory.port");
  const pid_t pid = start({"--listen", "127.0.0.1:0", "--port-file", portFile, "--data", tmp.path("data"),
                           "--upstream", upstream.base()},
                          tmp.path("log"));
  for (int i = 0; i < 200 && readAll(portFile).empty(); ++i) std::this_thread::sleep_for(50ms);
  const int port = std::atoi(readAll(portFile).c_str());
  ASSERT_GT(port, 0) << readAll(tmp.path("log"));
  struct stat st {};
  ASSERT_EQ(stat(portFile.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  httplib::Client client("127.0.0.1", port);
  auto res = client.Get("/radio/inter/keuze.php");
  ASSERT_TRUE(res);
  EXPECT_NE(res->body.find("<bestand>be.txt</bestand>"), std::string::npos);
  upstream.setBehaviour(FakeUpstream::Behaviour::Slow);  // a refresh under way at the end
  client.Get("/radio/inter/zenders/de.txt");

  kill(pid, SIGTERM);
  EXPECT_EQ(waitExit(pid, 10s), 0);
  EXPECT_NE(readAll(tmp.path("log")).find("vantor-directory: stopped"), std::string::npos)
      << readAll(tmp.path("log"));
  EXPECT_FALSE(std::filesystem::exists(portFile));
}

// SIGTERM while an upstream reply has stalled and a request waits for it: the transfer is
// given up and the server ends in order, long before the reply or the request's wait would end.
TEST(Executable, SigtermEndsAStalledUpstreamTransferAndTheRequestWaitingForIt) {
  TempDir tmp;
  FakeUpstream upstream;
  upstream.setBehaviour(FakeUpstream::Behaviour::Stall);
  ASSERT_GT(upstream.start(), 0);
  const int port = freePort();
  const pid_t pid = start({"--listen", "127.0.0.1:" + std::to_string(port), "--data", tmp.path("data"),
                           "--upstream", upstream.base()},
                          tmp.path("log"));
  httplib::Client probe("127.0.0.1", port);
  for (int i = 0; i < 100 && !probe.Get("/radio/inter/website/index.php?wat=about"); ++i)
    std::this_thread::sleep_for(50ms);
  std::thread waiting([port] {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(30, 0);
    client.Get("/radio/inter/keuze.php");
  });
  for (int i = 0; i < 200 && upstream.requests("/json/countries") == 0; ++i)
    std::this_thread::sleep_for(50ms);
  ASSERT_GT(upstream.requests("/json/countries"), 0) << readAll(tmp.path("log"));
  std::this_thread::sleep_for(300ms);  // the request is waiting for the countries by now

  kill(pid, SIGTERM);
  // The request alone would wait 8 s for the first countries; the reply never ends.
  EXPECT_EQ(waitExit(pid, 5s), 0);
  waiting.join();
  EXPECT_NE(readAll(tmp.path("log")).find("vantor-directory: stopped"), std::string::npos)
      << readAll(tmp.path("log"));
}
