#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QTcpServer>
#include <QThread>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

#include "app/directorychild.h"

namespace {

quint16 freePort() {
  QTcpServer probe;
  EXPECT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
  return probe.serverPort();
}

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
  quint16 port = freePort();
  QString listen = "127.0.0.1:" + QString::number(port);

  void SetUp() override {
    QDir().mkpath(share + "/audio");
    QFile::copy(VANTOR_CATALOGUE, share + "/catalogue.json");
  }
  QStringList arguments() { return prepareDirectoryData(listen, data.path() + "/user", share); }
};

TEST_F(DirectoryChildTest, StartsTheServerWhenNothingAnswersAndEndsItWithItself) {
  qint64 pid = 0;
  {
    DirectoryChild child;
    ASSERT_EQ(
        child.start(VANTOR_DIRECTORY_EXE, arguments(), "127.0.0.1", port, data.path() + "/directory.log"),
        DirectoryChild::Result::Started);
    pid = child.processId();
    EXPECT_TRUE(DirectoryChild::answers("127.0.0.1", port));
    EXPECT_TRUE(QFileInfo(data.path() + "/user/audio").isSymLink());
    EXPECT_TRUE(QFileInfo::exists(data.path() + "/user/directory.sqlite3"));
  }
  EXPECT_FALSE(processAlive(pid));
  EXPECT_FALSE(DirectoryChild::answers("127.0.0.1", port, 300));
}

TEST_F(DirectoryChildTest, ServerEndsWhenTheProgramIsKilled) {
  QProcess program;
  program.start(VANTOR_DIRECTORY_CHILD_PEER,
                {VANTOR_DIRECTORY_EXE, QString::number(port), data.path() + "/user", share});
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

TEST_F(DirectoryChildTest, LeavesAServerThatAlreadyAnswersAlone) {
  QTcpServer other;
  ASSERT_TRUE(other.listen(QHostAddress::LocalHost, port));
  DirectoryChild child;
  EXPECT_EQ(child.start(VANTOR_DIRECTORY_EXE, arguments(), "127.0.0.1", port),
            DirectoryChild::Result::AlreadyAnswering);
  EXPECT_FALSE(child.running());
}

TEST_F(DirectoryChildTest, AServerThatCannotStartIsAFailureNotAHang) {
  DirectoryChild child;
  EXPECT_EQ(child.start(data.path() + "/no-such-server", arguments(), "127.0.0.1", port),
            DirectoryChild::Result::Failed);
  // A server that ends at once (its catalogue is missing) is not waited for either.
  QFile::remove(share + "/catalogue.json");
  EXPECT_EQ(child.start(VANTOR_DIRECTORY_EXE, arguments(), "127.0.0.1", port, {}, 60000),
            DirectoryChild::Result::Failed);
  EXPECT_FALSE(child.running());
}

TEST_F(DirectoryChildTest, KeepsAnAudioFolderOfTheUsersOwn) {
  const QString user = data.path() + "/user";
  QDir().mkpath(user + "/audio");
  arguments();
  EXPECT_FALSE(QFileInfo(user + "/audio").isSymLink());
}

}  // namespace
