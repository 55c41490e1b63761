#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/instance.h"
#include "app/runtimefolder.h"

namespace {

// Leaves a socket file with nobody behind it, as a copy that crashed does.
void leaveStaleSocket(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(size_t(bytes.size()), sizeof(address.sun_path));
  memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFile::exists(path));
}

// A running copy from before tokens, on a thread of its own: it confirms only the bare request
// and drops any other line, as that version did.
class CopyBeforeTokens {
 public:
  explicit CopyBeforeTokens(const QString& path) {
    const QByteArray bytes = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, bytes.constData(), size_t(bytes.size()));
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    listening_ =
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && ::listen(fd_, 4) == 0;
    thread_ = std::thread([this] { serve(); });
  }
  ~CopyBeforeTokens() {
    ::shutdown(fd_, SHUT_RDWR);
    thread_.join();
    ::close(fd_);
  }
  bool listening() const { return listening_; }
  std::vector<std::string> lines() {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  void serve() {
    for (int peer; (peer = ::accept(fd_, nullptr, nullptr)) >= 0; ::close(peer)) {
      std::string line;
      char c;
      while (line.size() < 400 && ::read(peer, &c, 1) == 1 && c != '\n') line += c;
      if (line.empty()) continue;  // a connection that only asked whether a copy runs
      std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
      if (line == "activate" && ::write(peer, "ok\n", 3) != 3) return;
    }
  }
  int fd_ = -1;
  bool listening_ = false;
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

class SingleInstanceTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  QString name = singleInstanceServerName(folder.path());

  // Writes one line to the running copy; answered or refused, the peer is let go.
  bool sendLine(const QByteArray& line) {
    QLocalSocket peer;
    peer.connectToServer(name);
    if (!peer.waitForConnected(1000)) return false;
    QSignalSpy gone(&peer, &QLocalSocket::disconnected);
    peer.write(line);
    return gone.wait(5000);
  }
};

TEST_F(SingleInstanceTest, NameIsPerFolderAndIndependentOfHowThePathIsWritten) {
  QTemporaryDir other;
  EXPECT_NE(singleInstanceServerName(other.path()), name);
  EXPECT_EQ(singleInstanceServerName(folder.path() + "/"), name);
  EXPECT_EQ(singleInstanceServerName(folder.path() + "/./sub/.."), name);
  QDir(folder.path()).mkdir("sub");
  const QString link = other.path() + "/link";
  ASSERT_TRUE(QFile::link(folder.path(), link));
  EXPECT_EQ(singleInstanceServerName(link), name);
  // The address must fit a socket address.
  EXPECT_LT(QFile::encodeName(name).size(), 100);
}

TEST_F(SingleInstanceTest, WithNoRunningCopyTheFirstStartsNormally) {
  auto first = makeSingleInstance(folder.path());
  EXPECT_FALSE(first->isAnotherRunning());
  EXPECT_FALSE(first->ActivatePreviousInstance({}));
  ASSERT_TRUE(first->listen());

  auto second = makeSingleInstance(folder.path());
  EXPECT_TRUE(second->isAnotherRunning());
  EXPECT_FALSE(second->listen());  // the live copy keeps its name

  // Another program folder runs side by side.
  QTemporaryDir otherFolder;
  auto other = makeSingleInstance(otherFolder.path());
  EXPECT_FALSE(other->isAnotherRunning());
  EXPECT_TRUE(other->listen());

  // When the first ends its name is free again.
  first.reset();
  auto third = makeSingleInstance(folder.path());
  EXPECT_FALSE(third->isAnotherRunning());
  EXPECT_TRUE(third->listen());
}

TEST_F(SingleInstanceTest, NameLeftByACrashedCopyIsTakenOver) {
  leaveStaleSocket(name);
  auto instance = makeSingleInstance(folder.path());
  EXPECT_FALSE(instance->isAnotherRunning());
  ASSERT_TRUE(instance->listen());

  QSignalSpy activations(instance.get(), &SingleInstance::activationRequested);
  ASSERT_TRUE(sendLine("activate\n"));
  EXPECT_EQ(activations.count(), 1);
}

TEST_F(SingleInstanceTest, OnlyTheActivationRequestIsHonoured) {
  auto instance = makeSingleInstance(folder.path());
  ASSERT_TRUE(instance->listen());
  QSignalSpy activations(instance.get(), &SingleInstance::activationRequested);

  QLocalSocket wrong;
  wrong.connectToServer(name);
  ASSERT_TRUE(wrong.waitForConnected(1000));
  wrong.write("quit\n");
  QLocalSocket flood;
  flood.connectToServer(name);
  ASSERT_TRUE(flood.waitForConnected(1000));
  flood.write(QByteArray(4096, 'a'));

  // Both are sent away; neither brings the window forward.
  QSignalSpy wrongGone(&wrong, &QLocalSocket::disconnected);
  QSignalSpy floodGone(&flood, &QLocalSocket::disconnected);
  EXPECT_TRUE(wrongGone.wait(3000));
  EXPECT_TRUE(floodGone.count() > 0 || floodGone.wait(3000));
  EXPECT_EQ(activations.count(), 0);

  // A real request afterwards still works, and is answered.
  QLocalSocket good;
  good.connectToServer(name);
  ASSERT_TRUE(good.waitForConnected(1000));
  good.write("activate\n");
  ASSERT_TRUE(activations.wait(2000));
  QSignalSpy answered(&good, &QLocalSocket::readyRead);
  if (!good.canReadLine()) answered.wait(1000);
  EXPECT_EQ(good.readLine(), "ok\n");
}

TEST_F(SingleInstanceTest, ARequestCarriesTheLaunchersToken) {
  auto instance = makeSingleInstance(folder.path());
  ASSERT_TRUE(instance->listen());
  QSignalSpy activations(instance.get(), &SingleInstance::activationRequested);
  // The line a peer sends, and the token the window then gets (none: the request is refused).
  const struct {
    QByteArray line;
    std::optional<QString> token;
  } cases[] = {
      {"activate\n", ""},  // a copy from before tokens
      {"activate 4f0c-6e1a_TIME1234567\n", "4f0c-6e1a_TIME1234567"},
      {"activate " + QByteArray(256, 'k') + "\n", QString(256, 'k')},
      {"activate " + QByteArray(257, 'k') + "\n", std::nullopt},
      {"activate \n", std::nullopt},
      {"activate two words\n", std::nullopt},
      {"activate t\xc3\xb6ken\n", std::nullopt},
      {"activate tab\there\n", std::nullopt},
      {"activated\n", std::nullopt},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(sendLine(c.line)) << c.line.constData();
    if (c.token) {
      ASSERT_EQ(activations.count(), 1) << c.line.constData();
      EXPECT_EQ(activations.takeFirst().at(0).toString(), *c.token);
    } else {
      EXPECT_EQ(activations.count(), 0) << c.line.constData();
    }
  }
}

TEST_F(SingleInstanceTest, AnOpenRequestHandsOnHttpAddressesOnly) {
  auto instance = makeSingleInstance(folder.path());
  ASSERT_TRUE(instance->listen());
  QSignalSpy opens(instance.get(), &SingleInstance::openRequested);
  QSignalSpy activations(instance.get(), &SingleInstance::activationRequested);
  QByteArray nine = "open -";
  for (int i = 0; i < 9; ++i) nine += " http://127.0.0.1/" + QByteArray::number(i);
  // The line, and the addresses then played (none: the request is refused).
  const struct {
    QByteArray line;
    std::optional<QStringList> addresses;
  } cases[] = {
      {"open - http://127.0.0.1:8000/x.mp3\n", QStringList{"http://127.0.0.1:8000/x.mp3"}},
      {"open tok_TIME5 HTTPS://127.0.0.1/a http://127.0.0.1/b\n", QStringList{"HTTPS://127.0.0.1/a", "http://127.0.0.1/b"}},
      {"open - " + QByteArray(2040, 'x').prepend("http://127.0.0.1/") + "\n", std::nullopt},
      {nine + "\n", std::nullopt},
      {"open - file:///etc/passwd\n", std::nullopt},
      {"open - javascript:alert(1)\n", std::nullopt},
      {"open - http://\n", std::nullopt},
      {"open -\n", std::nullopt},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(sendLine(c.line)) << c.line.left(60).constData();
    ASSERT_EQ(opens.count(), c.addresses ? 1 : 0) << c.line.left(60).constData();
    EXPECT_EQ(activations.count(), opens.count());
    if (c.addresses) {
      EXPECT_EQ(opens.takeFirst().at(0).toStringList(), *c.addresses);
    }
    activations.clear();
  }
}

TEST_F(SingleInstanceTest, ACopyFromBeforeTokensIsAskedAgainWithoutOne) {
  CopyBeforeTokens running(name);
  ASSERT_TRUE(running.listening());
  auto later = makeSingleInstance(folder.path());
  EXPECT_TRUE(later->ActivatePreviousInstance("launcher-4f0c_TIME77"));
  EXPECT_EQ(running.lines(), (std::vector<std::string>{"activate launcher-4f0c_TIME77", "activate"}));
  // A copy from before addresses still comes forward.
  auto opening = makeSingleInstance(folder.path());
  EXPECT_TRUE(opening->OpenInPreviousInstance({"http://127.0.0.1/x.mp3", "file:///etc/passwd"}, "t_TIME1"));
  EXPECT_EQ(running.lines(), (std::vector<std::string>{"activate launcher-4f0c_TIME77", "activate",
                                                       "open t_TIME1 http://127.0.0.1/x.mp3", "activate t_TIME1",
                                                       "activate"}));
}

TEST(RuntimeFolder, OnlyAFolderOfThisUsersAloneIsPrivate) {
  QTemporaryDir root;
  const QString open = root.path() + "/open", file = root.path() + "/file", link = root.path() + "/link",
                foreign = root.path() + "/foreign";
  ASSERT_TRUE(makePrivateFolder(root.path() + "/made"));
  ASSERT_EQ(::mkdir(QFile::encodeName(open).constData(), 0755), 0);
  ASSERT_EQ(::mkdir(QFile::encodeName(foreign).constData(), 0700), 0);
  ASSERT_TRUE(QFile(file).open(QIODevice::WriteOnly));
  ASSERT_TRUE(QFile::link(root.path() + "/made", link));
  // As root (CI), one that another user made first.
  const bool asRoot = ::chown(QFile::encodeName(foreign).constData(), 65534, 65534) == 0;
  EXPECT_FALSE(isPrivateFolder(root.path() + "/missing"));
  for (const QString& bad : {open, file, link, asRoot ? foreign : open})
    EXPECT_FALSE(makePrivateFolder(bad)) << bad.toStdString();
  // An XDG_RUNTIME_DIR open to others is passed over.
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(open));
  const QString chosen = privateRuntimeFolder();
  saved.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", saved);
  EXPECT_NE(chosen, open);
  EXPECT_TRUE(chosen.isEmpty() || isPrivateFolder(chosen));
}

// CI runs as root: the stranger is a forked process that becomes nobody.
TEST(SingleInstanceOfOneUser, AnotherUsersPeerIsNeitherAnsweredNorTrusted) {
  if (getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  QTemporaryDir folder, runtime;
  const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  const QByteArray name = QFile::encodeName(singleInstanceServerName(folder.path()));
  sockaddr_un address{AF_UNIX, {}};
  memcpy(address.sun_path, name.constData(), size_t(name.size()));
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const auto becomeNobody = [] { return setgid(65534) == 0 && setuid(65534) == 0; };

  auto instance = makeSingleInstance(folder.path());
  ASSERT_TRUE(instance->listen());
  QSignalSpy activations(instance.get(), &SingleInstance::activationRequested);
  // The folder keeps others out; open it as if it did not, to reach the check behind it.
  ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0711), 0);
  ASSERT_EQ(::chmod(name.constData(), 0777), 0);
  const pid_t asker = fork();
  if (asker == 0) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    char answer[4] = {};
    if (!becomeNobody() || ::connect(fd, at, sizeof address) != 0) _exit(2);
    _exit(::write(fd, "activate\n", 9) == 9 && ::read(fd, answer, 3) == 3 ? 1 : 0);
  }
  int status = -1;
  while (waitpid(asker, &status, WNOHANG) == 0) QTest::qWait(20);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the stranger was answered, 2: it could not connect";
  EXPECT_EQ(activations.count(), 0);
  instance.reset();
  ASSERT_EQ(::chmod(QFile::encodeName(runtime.path()).constData(), 0700), 0);

  // A stranger's socket in its place: this copy neither asks it nor hands it the token.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t stranger = fork();
  if (stranger == 0) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    char line[300];
    if (::bind(fd, at, sizeof address) != 0 || !becomeNobody() || ::listen(fd, 4) != 0 || ::write(fds[1], "L", 1) != 1)
      _exit(1);
    for (int peer; (peer = ::accept(fd, nullptr, nullptr)) >= 0; ::close(peer))
      if (::read(peer, line, sizeof line) > 0 && ::write(fds[1], "R", 1) != 1) _exit(1);
    _exit(0);
  }
  ::close(fds[1]);
  char c = 0;
  ASSERT_EQ(::read(fds[0], &c, 1), 1);
  auto later = makeSingleInstance(folder.path());
  EXPECT_FALSE(later->isAnotherRunning());
  EXPECT_FALSE(later->ActivatePreviousInstance("launcher-4f0c_TIME77"));
  EXPECT_TRUE(later->listen());  // the name is taken back
  ::kill(stranger, SIGKILL);
  waitpid(stranger, nullptr, 0);
  EXPECT_EQ(::read(fds[0], &c, 1), 0) << "the stranger got a request";
  saved.isNull() ? qunsetenv("XDG_RUNTIME_DIR") : qputenv("XDG_RUNTIME_DIR", saved);
}

TEST(launcherActivationToken, TheWaylandTokenComesBeforeTheX11StartupId) {
  const struct {
    const char* wayland;
    const char* x11;
    QString token;
  } cases[] = {{nullptr, nullptr, ""},
               {nullptr, "openbox-7-host_TIME99", "openbox-7-host_TIME99"},
               {"wl-4f0c", "openbox-7-host_TIME99", "wl-4f0c"},
               {"", "x-1_TIME5", "x-1_TIME5"}};
  const QByteArray savedWayland = qgetenv("XDG_ACTIVATION_TOKEN");
  const QByteArray savedX11 = qgetenv("DESKTOP_STARTUP_ID");
  for (const auto& c : cases) {
    c.wayland ? qputenv("XDG_ACTIVATION_TOKEN", c.wayland) : qunsetenv("XDG_ACTIVATION_TOKEN");
    c.x11 ? qputenv("DESKTOP_STARTUP_ID", c.x11) : qunsetenv("DESKTOP_STARTUP_ID");
    EXPECT_EQ(launcherActivationToken(), c.token);
  }
  savedWayland.isNull() ? qunsetenv("XDG_ACTIVATION_TOKEN") : qputenv("XDG_ACTIVATION_TOKEN", savedWayland);
  savedX11.isNull() ? qunsetenv("DESKTOP_STARTUP_ID") : qputenv("DESKTOP_STARTUP_ID", savedX11);
}

}  // namespace
