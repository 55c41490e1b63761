#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/directorychild.h"
#include "app/directorykeeper.h"

namespace {

// A process that ended but was not reaped yet (state Z) counts as ended.
bool processAlive(qint64 pid) {
  if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) return false;
  QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return false;
  const QByteArray line = stat.readAll();
  const qsizetype close = line.lastIndexOf(')');
  return close < 0 || line.mid(close + 2, 1) != "Z";
}

class DirectoryChildTest : public ::testing::Test {
 protected:
  QTemporaryDir data;
  QString share = data.path() + "/share";
  QString runtime = data.path() + "/run";

  void SetUp() override {
    // Never the public directory from a test.
    qputenv("VANTOR_UPSTREAM", "off");
    QDir().mkpath(share + "/audio");
    QDir().mkpath(runtime);
    QFile::copy(VANTOR_CATALOGUE, share + "/catalogue.json");
  }
  QString start(DirectoryChild& child, const QString& home) {
    return userDirectory(child, VANTOR_DIRECTORY_EXE, data.path() + "/" + home, share, runtime);
  }
  static quint16 portOf(const QString& base) {
    return quint16(base.section(':', 2).section('/', 0, 0).toUInt());
  }
};

TEST_F(DirectoryChildTest, EachProgramGetsAServerOfItsOwnThatEndsWithIt) {
  qint64 pids[2] = {};
  {
    DirectoryChild first, second;
    const QString a = start(first, "home1"), b = start(second, "home2");
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_NE(portOf(a), 8047);
    EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", portOf(a)));
    EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", portOf(b)));
    EXPECT_TRUE(QFileInfo(data.path() + "/home1/audio").isSymLink());
    EXPECT_TRUE(QFileInfo::exists(data.path() + "/home2/directory.sqlite3"));
    const QStringList files = QDir(runtime).entryList({"*.port"});
    ASSERT_EQ(files.size(), 2);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(runtime + "/" + files[0]).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    pids[0] = first.processId();
    pids[1] = second.processId();
  }
  for (qint64 pid : pids) EXPECT_FALSE(processAlive(pid));
  EXPECT_TRUE(QDir(runtime).entryList({"*.port"}).isEmpty()) << "a server left its port file behind";
}

TEST_F(DirectoryChildTest, TheUnitsServerIsUsedOnlyWhenItIsThisUsersAndAnswers) {
  const QString unitFile = runtime + "/vantor-directory.port";
  QTcpServer unit;
  ASSERT_TRUE(unit.listen(QHostAddress::LocalHost, 0));
  const auto writePort = [&](quint16 port) {
    QFile f(unitFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(port) + "\n");
  };
  writePort(unit.serverPort());
  {
    DirectoryChild child;
    EXPECT_EQ(start(child, "home"), QStringLiteral("http://127.0.0.1:%1/").arg(unit.serverPort()));
    EXPECT_FALSE(child.running());
  }
  // Stale: the unit is gone and nothing answers on its port.
  const quint16 gone = unit.serverPort();
  unit.close();
  writePort(gone);
  {
    DirectoryChild child;
    EXPECT_FALSE(start(child, "home").isEmpty());
    EXPECT_TRUE(child.running());  // its own server, not the stale file's port
  }
  EXPECT_FALSE(readPortFile(runtime + "/none.port"));
  QFile::link(unitFile, runtime + "/link.port");
  EXPECT_FALSE(readPortFile(runtime + "/link.port"));
}

// Another user's server, even on a port a port file names, is never taken for ours.
TEST_F(DirectoryChildTest, AServerOfAnotherUserIsNotOurs) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to listen as another user";
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const pid_t other = fork();
  if (other == 0) {
    QTcpServer foreign;
    if (setuid(65534) != 0 || !foreign.listen(QHostAddress::LocalHost, 0)) _exit(1);
    const quint16 port = foreign.serverPort();
    if (write(pipeFds[1], &port, sizeof port) != sizeof port) _exit(1);
    pause();
    _exit(0);
  }
  quint16 port = 0;
  ASSERT_EQ(read(pipeFds[0], &port, sizeof port), ssize_t(sizeof port));
  EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", port));
  EXPECT_FALSE(listenerIsMine(port));
  QTcpServer mine;
  ASSERT_TRUE(mine.listen(QHostAddress::LocalHost, 0));
  EXPECT_TRUE(listenerIsMine(mine.serverPort()));
  ::kill(other, SIGKILL);
  waitpid(other, nullptr, 0);
}

TEST_F(DirectoryChildTest, ServerEndsWhenTheProgramIsKilled) {
  QProcess program;
  program.start(VANTOR_DIRECTORY_CHILD_PEER,
                {VANTOR_DIRECTORY_EXE, data.path() + "/user", share, runtime + "/peer.port"});
  ASSERT_TRUE(program.waitForReadyRead(30000)) << program.readAllStandardError().toStdString();
  const qint64 server = program.readLine().trimmed().toLongLong();
  ASSERT_TRUE(processAlive(server));
  program.kill();  // no chance to clean up
  program.waitForFinished(5000);
  QElapsedTimer waited;
  waited.start();
  while (processAlive(server) && waited.elapsed() < 20000) QThread::msleep(50);
  EXPECT_FALSE(processAlive(server)) << "the server outlived the program";
  if (processAlive(server)) ::kill(pid_t(server), SIGKILL);
}

TEST_F(DirectoryChildTest, AServerThatCannotStartIsAFailureNotAHang) {
  DirectoryChild child;
  const QStringList args = prepareDirectoryData(data.path() + "/user", share);
  EXPECT_FALSE(child.start(data.path() + "/no-such-server", args, runtime + "/x.port"));
  // A server that ends at once (its catalogue is missing) is not waited for either.
  QFile::remove(share + "/catalogue.json");
  EXPECT_FALSE(child.start(VANTOR_DIRECTORY_EXE, args, runtime + "/x.port", {}, 60000));
  EXPECT_FALSE(child.running());
}

TEST_F(DirectoryChildTest, UpstreamAndAudioFolderArguments) {
  const QString user = data.path() + "/user";
  QDir().mkpath(user + "/audio");
  const auto upstream = [&](const QStringList& args) { return args.mid(args.indexOf("--upstream"), 2); };
  EXPECT_FALSE(prepareDirectoryData(user, share).contains("--upstream"));  // "off"
  qputenv("VANTOR_UPSTREAM", "http://127.0.0.1:9/,http://127.0.0.1:10/");
  EXPECT_EQ(upstream(prepareDirectoryData(user, share)),
            QStringList({"--upstream", "http://127.0.0.1:9/,http://127.0.0.1:10/"}));
  qunsetenv("VANTOR_UPSTREAM");
  EXPECT_EQ(upstream(prepareDirectoryData(user, share)), QStringList({"--upstream", "auto"}));
  EXPECT_FALSE(QFileInfo(user + "/audio").isSymLink());  // the user's own audio folder is kept
}

TEST_F(DirectoryChildTest, TheChildReadsTheUsersDirectoryEnvUnlessTheEnvironmentSaysOtherwise) {
  const QString file = data.path() + "/config/vantor-radio/directory.env";
  QDir().mkpath(data.path() + "/config/vantor-radio");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(data.path() + "/config"));
  const auto upstream = [&] {
    const QStringList args = prepareDirectoryData(data.path() + "/user", share);
    return args.contains("--upstream") ? args.at(args.indexOf("--upstream") + 1) : QStringLiteral("off");
  };
  const QString mirrors = "http://127.0.0.1:9/,http://127.0.0.1:10/";
  const struct {
    QByteArray text;
    const char* exported;  // VANTOR_UPSTREAM, or unset
    QString upstream;
  } cases[] = {
      {"VANTOR_UPSTREAM=off\n", nullptr, "off"},
      {"# mirrors\n VANTOR_UPSTREAM = \"" + mirrors.toUtf8() + "\"\r\nOTHER=x\n", nullptr, mirrors},
      {"VANTOR_UPSTREAM=off\n", "http://127.0.0.1:9/", "http://127.0.0.1:9/"},
      {"VANTOR_UPSTREAM_2=off\n;VANTOR_UPSTREAM=off\nVANTOR_UPSTREAM $(touch x)\n", nullptr, "auto"},
  };
  for (const auto& c : cases) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(c.text);
    f.close();
    c.exported ? qputenv("VANTOR_UPSTREAM", c.exported) : qunsetenv("VANTOR_UPSTREAM");
    EXPECT_EQ(upstream(), c.upstream) << c.text.constData();
  }
  QFile::remove(file);  // a FIFO in its place is not waited on
  ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
  EXPECT_EQ(upstream(), "auto");

  // The server the program starts gets the file's mirrors.
  QFile::remove(file);
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write("VANTOR_UPSTREAM=" + mirrors.toUtf8() + "\n");
  f.close();
  ASSERT_EQ(upstream(), mirrors);  // never the public directory from here on
  DirectoryChild child;
  ASSERT_FALSE(start(child, "home").isEmpty());
  QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(child.processId()));
  ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
  EXPECT_TRUE(cmdline.readAll().split('\0').contains(mirrors.toUtf8()));
  qunsetenv("XDG_CONFIG_HOME");
}

// Another user (nobody) taking 127.0.0.1:port as soon as it is free: "L" on the pipe it returns
// once it listens, then "C" for each connection it gets.
int squatAsNobody(quint16 port, pid_t& pid) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  sockaddr_in a{AF_INET, htons(port), {htonl(INADDR_LOOPBACK)}, {}};
  if ((pid = fork()) == 0) {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    const int s = socket(AF_INET, SOCK_STREAM, 0), on = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    while (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) usleep(10000);
    if (listen(s, 8) != 0 || write(fds[1], "L", 1) != 1) _exit(1);
    for (int peer; (peer = accept(s, nullptr, nullptr)) >= 0; close(peer))
      if (write(fds[1], "C", 1) != 1) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  return fds[0];
}

TEST_F(DirectoryChildTest, AKilledChildIsReplacedAndASquatterOnItsPortIsNeverAsked) {
  DirectoryKeeper keeper(VANTOR_DIRECTORY_EXE, data.path() + "/home", share, runtime);
  const QString first = keeper.base();
  ASSERT_FALSE(first.isEmpty());
  ASSERT_EQ(::kill(pid_t(keeper.childProcessId()), SIGKILL), 0);
  // As root (CI) another user takes the old port before the program next asks.
  pid_t squatter = 0;
  const int squat = getuid() == 0 ? squatAsNobody(portOf(first), squatter) : -1;
  char c = 0;
  if (squat >= 0) {
    ASSERT_EQ(read(squat, &c, 1), 1);
  }
  const QString second = keeper.base();
  EXPECT_NE(second, first);
  EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", portOf(second)));
  EXPECT_EQ(QDir(runtime).entryList({"*.port"}).size(), 1) << "the killed child's port file is left";

  // One that ends while nobody asks is replaced without waiting for a request.
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

TEST_F(DirectoryChildTest, TheKeeperFollowsTheUnitsPortFile) {
  DirectoryKeeper keeper(VANTOR_DIRECTORY_EXE, data.path() + "/home", share, runtime);
  for (int restart = 0; restart < 2; ++restart) {  // the unit restarted on another port
    QTcpServer unit;
    ASSERT_TRUE(unit.listen(QHostAddress::LocalHost, 0));
    QFile f(runtime + "/vantor-directory.port");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray::number(unit.serverPort()) + "\n");
    f.close();
    EXPECT_EQ(portOf(keeper.base()), unit.serverPort());
    EXPECT_EQ(keeper.childProcessId(), 0);
  }
  QFile::remove(runtime + "/vantor-directory.port");  // the unit stopped: a child takes over
  EXPECT_FALSE(keeper.base().isEmpty());
  EXPECT_NE(keeper.childProcessId(), 0);
}

// --help and --version answer without a display.
TEST(ProgramCommandLine, HelpAndVersionNeedNoDisplay) {
  for (const char* option : {"--help", "--version"}) {
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
    program.setProcessEnvironment(env);
    program.start(VANTOR_PROGRAM, {option});
    ASSERT_TRUE(program.waitForFinished(30000)) << option;
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << option;
    EXPECT_EQ(program.exitCode(), 0) << option;
    EXPECT_TRUE(program.readAllStandardOutput().startsWith(option == std::string("--help") ? "usage: "
                                                                                           : "vantor-radio "))
        << option;
  }
}

}  // namespace
