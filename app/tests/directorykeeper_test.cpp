#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/directorykeeper.h"

namespace {

quint16 portOf(const QString& base) { return quint16(base.section(':', 2).section('/', 0, 0).toUInt()); }

// Another user listening on 127.0.0.1:port, as soon as the port is free; each connection it gets
// is a byte on the pipe it returns.
int squatAsNobody(quint16 port, pid_t& pid) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid = fork();
  if (pid == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    const int s = socket(AF_INET, SOCK_STREAM, 0), on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    while (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) usleep(10000);
    listen(s, 8);
    if (write(fds[1], "L", 1) != 1) _exit(1);
    for (int peer; (peer = accept(s, nullptr, nullptr)) >= 0; close(peer))
      if (write(fds[1], "C", 1) != 1) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  return fds[0];
}

class DirectoryKeeperTest : public ::testing::Test {
 protected:
  QTemporaryDir data;
  QString share = data.path() + "/share", runtime = data.path() + "/run";
  void SetUp() override {
    qputenv("VANTOR_UPSTREAM", "off");  // never the public directory from a test
    QDir().mkpath(share + "/audio");
    QDir().mkpath(runtime);
    QFile::copy(VANTOR_CATALOGUE, share + "/catalogue.json");
  }
};

TEST_F(DirectoryKeeperTest, AKilledChildIsReplacedAndASquatterOnItsPortIsNeverAsked) {
  DirectoryKeeper keeper(VANTOR_DIRECTORY_EXE, data.path() + "/home", share, runtime);
  const QString first = keeper.base();
  ASSERT_FALSE(first.isEmpty());
  const qint64 firstPid = keeper.childProcessId();
  ASSERT_EQ(::kill(pid_t(firstPid), SIGKILL), 0);
  // As root the old port goes to another user before the program next asks (CI runs as root).
  pid_t squatter = 0;
  const int squat = getuid() == 0 ? squatAsNobody(portOf(first), squatter) : -1;
  char c = 0;
  if (squat >= 0) ASSERT_EQ(read(squat, &c, 1), 1);
  else QTest::qWait(200);

  const QString second = keeper.base();
  EXPECT_FALSE(second.isEmpty());
  EXPECT_NE(second, first);
  EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", portOf(second)));
  EXPECT_EQ(QDir(runtime).entryList({"*.port"}).size(), 1) << "the killed child's port file is left";

  // Ended while nobody asks: the next is started without waiting for a request.
  const qint64 secondPid = keeper.childProcessId();
  ASSERT_EQ(::kill(pid_t(secondPid), SIGKILL), 0);
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 30000 && (keeper.childProcessId() == 0 || keeper.childProcessId() == secondPid))
    QTest::qWait(50);
  EXPECT_NE(keeper.childProcessId(), 0);
  EXPECT_NE(keeper.childProcessId(), secondPid);
  if (squat >= 0) {
    fcntl(squat, F_SETFL, O_NONBLOCK);
    EXPECT_EQ(read(squat, &c, 1), -1) << "the squatter was asked";
    ::kill(squatter, SIGKILL);
    waitpid(squatter, nullptr, 0);
  }
}

TEST_F(DirectoryKeeperTest, TheUnitsPortFileIsFollowed) {
  const auto announce = [&](const QTcpServer& unit) {
    QFile f(runtime + "/vantor-directory.port");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(unit.serverPort()) + "\n");
  };
  DirectoryKeeper keeper(VANTOR_DIRECTORY_EXE, data.path() + "/home", share, runtime);
  auto unit = std::make_unique<QTcpServer>();
  ASSERT_TRUE(unit->listen(QHostAddress::LocalHost, 0));
  announce(*unit);
  EXPECT_EQ(portOf(keeper.base()), unit->serverPort());
  // The unit restarted on another port.
  auto restarted = std::make_unique<QTcpServer>();
  ASSERT_TRUE(restarted->listen(QHostAddress::LocalHost, 0));
  unit.reset();
  announce(*restarted);
  EXPECT_EQ(portOf(keeper.base()), restarted->serverPort());
  EXPECT_EQ(keeper.childProcessId(), 0);
  // The unit stopped: a child of the program takes over.
  restarted.reset();
  QFile::remove(runtime + "/vantor-directory.port");
  EXPECT_FALSE(keeper.base().isEmpty());
  EXPECT_NE(keeper.childProcessId(), 0);
}

}  // namespace
