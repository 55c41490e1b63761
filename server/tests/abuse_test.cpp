#include "directory_server.h"
#include "server_test_util.h"
#include "test_directory.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vantor::server;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kCountries = "GET /radio/inter/keuze.php HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";

ServerLimits strict() {
  ServerLimits l = Directory::fast();
  l.connections.headTimeout = 1s;
  l.connections.idleTimeout = 1s;
  l.connections.stallAfter = 500ms;
  return l;
}

// An ordinary request on a fresh connection answered within `bound`.
void expectAnsweredWithin(int port, std::chrono::milliseconds bound) {
  const auto start = Clock::now();
  RawClient c(port);
  ASSERT_TRUE(c.ok());
  ASSERT_TRUE(c.send(kCountries));
  const std::string got = c.read(bound);
  EXPECT_EQ(got.rfind("HTTP/1.1 200", 0), 0u) << got.substr(0, 40);
  EXPECT_NE(got.find("<naam>Holland</naam>"), std::string::npos);
  EXPECT_LT(Clock::now() - start, bound);
}

}  // namespace

TEST(Abuse, IdleAndSlowClientsDoNotHoldUpOthers) {
  TempDir tmp;
  Directory dir(tmp.path("d.sqlite3"));  // idle and head timeouts as shipped
  std::vector<std::unique_ptr<RawClient>> idle, slow;
  for (int i = 0; i < 300; ++i) idle.push_back(std::make_unique<RawClient>(dir.port()));
  for (int i = 0; i < 50; ++i) {
    slow.push_back(std::make_unique<RawClient>(dir.port()));
    slow.back()->send("GET / HTTP/1.1\r\nX-A: 1\r\n");
  }
  // Far more connections than workers: each must wait for a whole head without taking one.
  for (int i = 0; i < 5; ++i) expectAnsweredWithin(dir.port(), 3s);
  for (auto& s : slow) s->send("X-B: 2\r\n");
  expectAnsweredWithin(dir.port(), 3s);
}

TEST(Abuse, HeadsThatNeverEndAreCutAndTheFullestGateMakesRoom) {
  TempDir tmp;
  ServerLimits limits = strict();
  limits.connections.maxConnections = 20;
  Directory dir(tmp.path("d.sqlite3"), limits);

  RawClient slow(dir.port());
  slow.send("GET / HTTP/1.1\r\n");
  bool closed = false;
  const auto start = Clock::now();
  std::string got;
  while (!closed && Clock::now() - start < 6s) {
    slow.send("X-More: a\r\n");  // a line now and then, but never the end of the head
    got += slow.read(200ms, &closed);
  }
  EXPECT_TRUE(closed);
  EXPECT_EQ(got.rfind("HTTP/1.1 408", 0), 0u) << got;

  // With every place taken by silent clients, a new one still gets in.
  std::vector<std::unique_ptr<RawClient>> idle;
  for (int i = 0; i < 20; ++i) idle.push_back(std::make_unique<RawClient>(dir.port()));
  std::this_thread::sleep_for(100ms);
  expectAnsweredWithin(dir.port(), 3s);
}

TEST(Abuse, OversizeRequestsAreAnsweredAndClosedAtOnce) {
  TempDir tmp;
  Directory dir(tmp.path("d.sqlite3"));
  struct Case {
    std::string request, status;
  };
  std::string manyHeaders = "GET / HTTP/1.1\r\n";
  for (int i = 0; i < 400; ++i)
    manyHeaders += "X-Header-" + std::to_string(i) + ": " + std::string(40, 'v') + "\r\n";
  const std::vector<Case> cases = {
      {"GET /radio/inter/keuze.php?x=" + std::string(10000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n", "414"},
      {manyHeaders, "431"},
      {"POST /radio/inter/keuze.php HTTP/1.1\r\nHost: x\r\nContent-Length: 104857600\r\n\r\n" +
           std::string(64 * 1024, 'x'),
       "413"},
  };
  for (const auto& c : cases) {
    RawClient client(dir.port());
    client.send(c.request);
    bool closed = false;
    const auto start = Clock::now();
    const std::string got = client.read(10s, &closed);
    EXPECT_EQ(got.substr(0, 12), "HTTP/1.1 " + c.status);
    EXPECT_TRUE(closed) << c.status;
    EXPECT_LT(Clock::now() - start, 3s) << c.status;
  }
}

TEST(Abuse, KeptAliveAndPipelinedRequestsAreAllAnswered) {
  TempDir tmp;
  Directory dir(tmp.path("d.sqlite3"));
  RawClient c(dir.port());
  const std::string keep = "GET /radio/inter/keuze.php?lang=english HTTP/1.1\r\nHost: x\r\n\r\n";
  ASSERT_TRUE(c.send(keep + keep + kCountries));  // three in one go; the last closes
  bool closed = false;
  std::string got;
  const auto start = Clock::now();
  while (!closed && Clock::now() - start < 5s) got += c.read(5s, &closed);
  EXPECT_TRUE(closed);
  size_t answers = 0;
  for (size_t at = got.find("HTTP/1.1 200"); at != std::string::npos; at = got.find("HTTP/1.1 200", at + 1))
    ++answers;
  EXPECT_EQ(answers, 3u);
  // Each in its own language, in the order asked.
  const size_t dutch = got.find("<naam>Holland</naam>");
  EXPECT_NE(dutch, std::string::npos);
  EXPECT_GT(dutch, got.rfind("<naam>The Netherlands</naam>"));
  EXPECT_NE(got.find("<naam>The Netherlands</naam>"), got.rfind("<naam>The Netherlands</naam>"));

  // A client that closes its side once it has asked still gets its answer.
  RawClient halfClosed(dir.port());
  ASSERT_TRUE(halfClosed.send(keep));
  shutdown(halfClosed.fd(), SHUT_WR);
  EXPECT_NE(halfClosed.read(5s).find("<naam>The Netherlands</naam>"), std::string::npos);
}

TEST(Abuse, ListenersThatHangUpOrTakeNothingMakeRoomForNewOnes) {
  TempDir tmp;
  ServerLimits limits = strict();
  limits.maxStreams = 1;
  limits.connections.maxUnsent = 8 * 1024;
  Directory dir(tmp.path("d.sqlite3"), limits);

  {
    RawClient leaving(dir.port());  // hangs up after the first bytes: its place is free at once
    leaving.send("GET /stream/polder-fm.mp3 HTTP/1.1\r\nHost: x\r\n\r\n");
    ASSERT_EQ(leaving.read(1s).substr(0, 12), "HTTP/1.1 200");
  }
  // Served as soon as a place is free; a small `rcvbuf` makes a client that stops reading show at once.
  std::unique_ptr<RawClient> deaf;
  for (int tries = 0; tries < 10 && !deaf; ++tries) {
    auto c = std::make_unique<RawClient>(dir.port(), 2048);
    c->send("GET /stream/schelde.mp3 HTTP/1.1\r\nHost: x\r\n\r\n");
    if (c->read(500ms, nullptr, 12) == "HTTP/1.1 200")
      deaf = std::move(c);
    else
      std::this_thread::sleep_for(100ms);
  }
  ASSERT_TRUE(deaf) << "the place of the listener that hung up was held";
  RawClient refused(dir.port());
  refused.send("GET /stream/schelde.mp3 HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  EXPECT_EQ(refused.read(3s).substr(0, 12), "HTTP/1.1 503");

  std::string status;
  const auto start = Clock::now();
  while (status != "HTTP/1.1 200" && Clock::now() - start < 20s) {
    std::this_thread::sleep_for(250ms);
    RawClient next(dir.port());
    next.send("GET /stream/schelde.mp3 HTTP/1.1\r\nHost: x\r\n\r\n");
    status = next.read(1s).substr(0, 12);
  }
  EXPECT_EQ(status, "HTTP/1.1 200");
}

TEST(Abuse, ReportFloodIsRefusedPerAddressAndLeavesPagesAnswering) {
  TempDir tmp;
  ServerLimits limits = Directory::fast();
  limits.reportBurst = 3;
  limits.reportEvery = std::chrono::seconds(3600);
  Directory dir(tmp.path("d.sqlite3"), limits);
  auto client = dir.client();
  std::vector<int> statuses;
  for (int i = 0; i < 6; ++i) {
    auto res =
        client.Get(("/radio/inter/website/index.php?wat=melding&lang=english&zenderurl=http%3A%2F%2Fa%2F" +
                    std::to_string(i % 2) + "&zendernaam=A&zenderland=Holland")
                       .c_str());
    ASSERT_TRUE(res);
    statuses.push_back(res->status);
    if (res->status == 429) {
      EXPECT_NE(res->body.find("Too many reports"), std::string::npos);
    }
  }
  EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 429, 429, 429}));
  const auto reports = dir.db().reports();
  ASSERT_EQ(reports.size(), 2u);  // the third thanked report was of the first station again
  EXPECT_EQ(reports[0].count, 2);
  EXPECT_EQ(reports[1].count, 1);
  expectAnsweredWithin(dir.port(), 3s);
}

TEST(Abuse, SearchWithControlCharactersAndLongTargetsInTheLog) {
  TempDir tmp;
  Directory dir(tmp.path("d.sqlite3"));
  auto client = dir.client();
  auto res = client.Get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz%00%01x%7F&land=");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  auto one = client.Get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz%00&land=");
  ASSERT_TRUE(one);
  EXPECT_NE(one->body.find("Grachten Jazz"), std::string::npos);

  const std::string longValue(2000, 'q');
  ASSERT_TRUE(client.Get(("/radio/inter/keuze.php?lang=" + longValue).c_str()));
  std::vector<std::string> log;
  for (int i = 0; i < 100 && log.size() < 3; ++i) {
    std::this_thread::sleep_for(10ms);
    log = dir.log();
  }
  ASSERT_EQ(log.size(), 3u);
  // Lines are written as answers finish, so not always in the order asked.
  const auto line =
      std::find_if(log.begin(), log.end(), [](const auto& l) { return l.find("keuze.php") != l.npos; });
  ASSERT_NE(line, log.end());
  EXPECT_LT(line->size(), 400u);
  EXPECT_NE(line->find("...(2028 bytes) 200"), std::string::npos) << *line;
}
