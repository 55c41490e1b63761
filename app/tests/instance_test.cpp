#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "app/instance.h"

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

class SingleInstanceTest : public ::testing::Test {
 protected:
  QTemporaryDir folder;
  QString name = singleInstanceServerName(folder.path());
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
  EXPECT_FALSE(first->ActivatePreviousInstance());
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
  QLocalSocket peer;
  peer.connectToServer(name);
  ASSERT_TRUE(peer.waitForConnected(1000));
  peer.write("activate\n");
  ASSERT_TRUE(activations.wait(2000));
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

TEST(bringToFront, RestoresShowsAndKeepsTheWindowUp) {
  QWidget hidden;
  bringToFront(&hidden);
  EXPECT_TRUE(hidden.isVisible());
  EXPECT_FALSE(hidden.isMinimized());

  QWidget minimized;
  minimized.showMinimized();
  ASSERT_TRUE(minimized.isMinimized());
  bringToFront(&minimized);
  EXPECT_TRUE(minimized.isVisible());
  EXPECT_FALSE(minimized.isMinimized());

  // Hidden while minimised, as a window sent to the tray from the taskbar is.
  QWidget both;
  both.showMinimized();
  both.hide();
  bringToFront(&both);
  EXPECT_TRUE(both.isVisible());
  EXPECT_FALSE(both.isMinimized());
}

#ifdef VANTOR_INSTANCE_PEER
// Reads the peer's lines until one starts with prefix.
QString waitForLine(QProcess& process, const QString& prefix, int timeoutMs) {
  QElapsedTimer clock;
  clock.start();
  QString seen;
  while (clock.elapsed() < timeoutMs) {
    while (process.canReadLine()) {
      const QString line = QString::fromUtf8(process.readLine()).trimmed();
      if (line.startsWith(prefix)) return line;
      seen += line + u'|';
    }
    if (process.state() == QProcess::NotRunning) break;
    process.waitForReadyRead(int(qMax<qint64>(1, timeoutMs - clock.elapsed())));
  }
  return QStringLiteral("(nothing; saw: ") + seen + u')';
}

class TwoProcessTest : public ::testing::TestWithParam<const char*> {
 protected:
  QTemporaryDir folder;
};

TEST_P(TwoProcessTest, SecondCopyEndsAndTheFirstShowsItsWindow) {
  QProcess first;
  QStringList args{folder.path()};
  if (QString(GetParam()) == "minimized") args << "minimized";
  first.start(VANTOR_INSTANCE_PEER, args);
  ASSERT_TRUE(first.waitForStarted(5000));
  ASSERT_EQ(waitForLine(first, "listening", 10000),
            QString(GetParam()) == "minimized" ? "listening, minimized" : "listening, hidden");

  QProcess second;
  second.setProcessChannelMode(QProcess::MergedChannels);
  QElapsedTimer clock;
  clock.start();
  second.start(VANTOR_INSTANCE_PEER, {folder.path()});
  ASSERT_TRUE(second.waitForFinished(2000));
  EXPECT_LT(clock.elapsed(), 2000);
  EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second.exitCode(), 0);
  // The second copy neither served the name nor got activated itself.
  const QByteArray secondSaid = second.readAll();
  EXPECT_FALSE(secondSaid.contains("listening")) << secondSaid.constData();
  EXPECT_FALSE(secondSaid.contains("activated")) << secondSaid.constData();

  EXPECT_EQ(waitForLine(first, "activated", 5000), "activated shown");
  ASSERT_TRUE(first.waitForFinished(5000));
  EXPECT_EQ(first.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(FirstWindow, TwoProcessTest, ::testing::Values("hidden", "minimized"));
#endif

}  // namespace
