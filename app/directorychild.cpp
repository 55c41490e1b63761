#include "directorychild.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <csignal>
#include <utility>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "directoryenv.h"
#include "trap.h"

DirectoryChild::~DirectoryChild() { stop(); }

bool DirectoryChild::answers(const QString& host, quint16 port, int timeoutMs) {
  QTcpSocket socket;
  socket.connectToHost(host, port);
  const bool answered = socket.waitForConnected(timeoutMs);
  socket.abort();
  return answered;
}

std::optional<quint16> DirectoryChild::start(const QString& program, const QStringList& arguments,
                                             const QString& portFile, const QString& logFile, int waitMs) {
  QFile::remove(portFile);
  portFile_ = portFile;
  process_.setProgram(program);
  process_.setArguments(arguments + QStringList{QStringLiteral("--port-file"), portFile});
  process_.setStandardOutputFile(QProcess::nullDevice());
  if (logFile.isEmpty())
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  else
    process_.setStandardErrorFile(logFile, QIODevice::Truncate);
  // Runs in the child between fork and exec: end with the parent even if it is killed, also
  // when that happened before the request was made.
  const pid_t parent = getpid();
  process_.setChildProcessModifier([parent] {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
  });
  process_.start();
  if (!process_.waitForStarted(5000)) {
    qCWarning(lcApp) << "cannot start the directory server" << program << process_.errorString();
    return std::nullopt;
  }
  QElapsedTimer waited;
  waited.start();
  // Waiting for the end is the pause between probes: QProcess notices an exit only inside it.
  while (waited.elapsed() < waitMs && !process_.waitForFinished(100)) {
    const auto port = readPortFile(portFile);
    if (port && answers(QStringLiteral("127.0.0.1"), *port, 200)) {
      qCInfo(lcApp) << "started the directory server on port" << *port;
      return port;
    }
  }
  qCWarning(lcApp) << "the directory server did not come up; see" << logFile;
  stop();
  return std::nullopt;
}

void DirectoryChild::stop() {
  if (running()) {
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
      process_.kill();
      process_.waitForFinished(2000);
    }
  }
  if (!portFile_.isEmpty() && !running()) QFile::remove(std::exchange(portFile_, QString()));
}

QStringList prepareDirectoryData(const QString& dataDir, const QString& shareDir) {
  QDir().mkpath(dataDir);
  const QString audio = dataDir + QStringLiteral("/audio");
  const QFileInfo existing(audio);
  if (!existing.exists() && !existing.isSymLink()) QFile::link(shareDir + QStringLiteral("/audio"), audio);
  QStringList args{QStringLiteral("--listen"),    QStringLiteral("127.0.0.1:0"),
                   QStringLiteral("--data"),      dataDir,
                   QStringLiteral("--catalogue"), shareDir + QStringLiteral("/catalogue.json")};
  // An installed copy plays the world's stations unless the user says otherwise: in the
  // environment, else in the settings file the user unit reads too.
  QString upstream = qEnvironmentVariable("VANTOR_UPSTREAM").trimmed();
  if (upstream.isEmpty()) upstream = envFileValueAt(directoryEnvPath(), "VANTOR_UPSTREAM");
  if (upstream.isEmpty()) upstream = QStringLiteral("auto");
  if (upstream != u"off") args << QStringLiteral("--upstream") << upstream;
  return args;
}

std::optional<quint16> readPortFile(const QString& path) {
  struct stat st {};
  if (lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid() ||
      st.st_size > 16)
    return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  bool ok = false;
  const uint port = file.read(16).trimmed().toUInt(&ok);
  if (!ok || port == 0 || port > 65535) return std::nullopt;
  return quint16(port);
}

bool listenerIsMine(quint16 port) {
  // "sl local_address rem_address st ... uid": 0100007F:PORT, state 0A is LISTEN.
  QFile table(QStringLiteral("/proc/net/tcp"));
  if (!table.open(QIODevice::ReadOnly)) return false;
  const QByteArray local = "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  const QByteArray uid = QByteArray::number(getuid());
  for (QByteArray line = table.readLine(); !line.isEmpty(); line = table.readLine()) {
    const QList<QByteArray> f = line.simplified().split(' ');
    if (f.size() > 7 && f[1] == local && f[3] == "0A") return f[7] == uid;
  }
  return false;
}

QString userDirectory(DirectoryChild& child, const QString& server, const QString& dataDir,
                      const QString& shareDir, const QString& runtimeDir) {
  const auto base = [](quint16 port) { return QStringLiteral("http://127.0.0.1:%1/").arg(port); };
  const auto unit = readPortFile(runtimeDir + QStringLiteral("/vantor-directory.port"));
  if (unit && listenerIsMine(*unit) && DirectoryChild::answers(QStringLiteral("127.0.0.1"), *unit)) {
    qCInfo(lcApp) << "using the directory server of the user unit on port" << *unit;
    return base(*unit);
  }
  // One port file per child: two programs of one user, each with its own data, never share.
  static QAtomicInt children;
  const QString portFile = QStringLiteral("%1/vantor-radio-%2-%3.port")
                               .arg(runtimeDir)
                               .arg(QCoreApplication::applicationPid())
                               .arg(children.fetchAndAddRelaxed(1));
  const auto port = child.start(server, prepareDirectoryData(dataDir, shareDir), portFile,
                                dataDir + QStringLiteral("/directory.log"));
  return port ? base(*port) : QString();
}
