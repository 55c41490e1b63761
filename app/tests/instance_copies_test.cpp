// The real program, started twice on one program folder.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>

#include "app/instance.h"
#include "loopback_server.h"

namespace {

#ifdef VANTOR_PROGRAM
// MPEG-1 layer III frames of silence (128 kbit/s, 44.1 kHz).
std::string silentMp3() {
  std::string frame(417, '\0');
  frame.replace(0, 4, "\xFF\xFB\x90\x64");
  std::string out;
  for (int i = 0; i < 200; ++i) out += frame;
  return out;
}

// Reads the program's output until a line starts with prefix.
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

// Copies the built program folder, so that the copies run on a folder of their own.
void copyFolder(const QString& from, const QString& to) {
  QDir().mkpath(to);
  for (const QFileInfo& entry : QDir(from).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QString target = to + u'/' + entry.fileName();
    if (entry.isDir())
      copyFolder(entry.filePath(), target);
    else
      ASSERT_TRUE(QFile::copy(entry.filePath(), target)) << target.toStdString();
  }
}

// The real program, twice, on one program folder: the second copy ends at once and the first
// brings its window forward.
class TwoCopiesTest : public ::testing::Test {
 protected:
  QTemporaryDir root;
  QString programDir = root.path() + "/program";
  QString runtime = root.path() + "/run";
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();

  void SetUp() override {
    copyFolder(QFileInfo(VANTOR_PROGRAM).absolutePath(), programDir);
    ASSERT_TRUE(QDir().mkpath(runtime));
    QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Out of sight at start, nothing played, no directory and no session bus to reach.
    QFile profile(programDir + "/inst.ini");
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write(
        "[Online Radio]\ntaal=english\ncombotaal=1\ngrootscherm=0\nafspelen=0\nxsluiten=0\n"
        "skin=Standaard\n[Onthouden]\nLaatsteLandbestand=\n");
    profile.close();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("HOME", root.path() + "/home");
    env.insert("XDG_CONFIG_HOME", root.path() + "/home/.config");
    env.insert("XDG_DATA_HOME", root.path() + "/home/.local/share");
    env.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + root.path() + "/no-bus");
    env.insert("VANTOR_DIRECTORY_URL", "http://127.0.0.1:9/");
    env.insert("VANTOR_AUDIO_SINK", "fakesink");
    env.insert("QT_LOGGING_RULES", "vantor.app.info=true");
    env.insert("QT_MESSAGE_PATTERN", "%{category}: %{message}");
  }
  void start(QProcess& copy, const QStringList& arguments = {}) {
    copy.setProcessEnvironment(env);
    copy.setProcessChannelMode(QProcess::MergedChannels);
    copy.start(programDir + "/vantor-radio", arguments);
  }
  // Starts the first copy and waits until it serves its name.
  void startFirst(QProcess& first, const QStringList& arguments = {}) {
    start(first, arguments);
    ASSERT_TRUE(first.waitForStarted(10000));
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(serverName()) && clock.elapsed() < 30000 && first.state() == QProcess::Running)
      QTest::qWait(100);
    ASSERT_TRUE(QFile::exists(serverName())) << first.readAll().constData();
  }
  // The name the copies serve, as a process with their runtime folder computes it.
  QString serverName() {
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    const QString name = singleInstanceServerName(programDir);
    if (saved.isNull())
      qunsetenv("XDG_RUNTIME_DIR");
    else
      qputenv("XDG_RUNTIME_DIR", saved);
    return name;
  }
};

TEST_F(TwoCopiesTest, SecondCopyEndsAndTheFirstBringsItsWindowForward) {
  QProcess first;
  startFirst(first);
  const QString name = serverName();

  // The launcher's token reaches the running copy.
  env.insert("XDG_ACTIVATION_TOKEN", "launcher-4f0c_TIME77");
  QString activation;
  QString request;
  for (int attempt = 0; attempt < 10 && activation.isEmpty(); ++attempt) {
    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_FALSE(second.readAll().contains("brought to the front"));
    request = waitForLine(first, "vantor.app: a later copy asks", 5000);
    activation = waitForLine(first, "vantor.app: window brought to the front", 5000);
    if (!activation.startsWith("vantor.app: window")) activation.clear();
  }
  ASSERT_FALSE(activation.isEmpty());
  EXPECT_TRUE(request.endsWith("with its token")) << request.toStdString();
  EXPECT_FALSE(activation.contains("it was shown")) << activation.toStdString();
  EXPECT_TRUE(activation.endsWith("is now shown")) << activation.toStdString();

  first.terminate();  // SIGTERM: the program saves and ends normally
  ASSERT_TRUE(first.waitForFinished(15000));
  EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_FALSE(QFile::exists(name));
}

// What "Open with" and the command line do: the first copy plays its own address, and later
// starts hand theirs to it.
TEST_F(TwoCopiesTest, AnAddressOrAPlaylistGivenToASecondStartIsPlayedByTheFirst) {
  LoopbackServer web;
  std::mutex mutex;
  QStringList asked;
  web.server().Get(R"(/[wxy]\.mp3)", [&](const httplib::Request& request, httplib::Response& response) {
    std::lock_guard<std::mutex> lock(mutex);
    asked << QString::fromStdString(request.path);
    response.set_content(silentMp3(), "audio/mpeg");
  });
  web.start();
  QFile list(root.path() + "/list.pls");
  ASSERT_TRUE(list.open(QIODevice::WriteOnly));
  list.write("[playlist]\r\nFile1=file:///etc/passwd\r\nFile2=" + web.url("/y.mp3").toUtf8() + "\r\n");
  list.close();

  // A whole profile: a start that fails shows a box, and the first copy's own address waits for it.
  QFile profile(programDir + "/inst.ini");
  ASSERT_TRUE(profile.open(QIODevice::Append));
  profile.write("Volume=50\n");
  profile.close();
  QProcess first;
  startFirst(first, {web.url("/w.mp3")});
  const auto asks = [&](const char* path) {
    std::lock_guard<std::mutex> lock(mutex);
    return asked.contains(path);
  };
  // Handed on before the first copy's start is done, a later address would win over its own.
  ASSERT_TRUE(QTest::qWaitFor([&] { return asks("/w.mp3"); }, 30000)) << first.readAll().constData();
  // Each handed-on address is asked for before the next replaces it.
  const std::pair<QString, const char*> handedOn[] = {{web.url("/x.mp3"), "/x.mp3"},
                                                      {list.fileName(), "/y.mp3"}};
  for (const auto& [item, path] : handedOn) {
    QProcess second;
    start(second, {item});
    ASSERT_TRUE(second.waitForFinished(15000));
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(QTest::qWaitFor([&asks, p = path] { return asks(p); }, 30000))
        << path << first.readAll().constData();
  }
  first.kill();
  first.waitForFinished(5000);
}
#endif

}  // namespace
