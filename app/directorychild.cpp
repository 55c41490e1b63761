#include "directorychild.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

#include "trap.h"

DirectoryChild::~DirectoryChild() { stop(); }

bool DirectoryChild::answers(const QString& host, quint16 port, int timeoutMs) {
  QTcpSocket socket;
  socket.connectToHost(host, port);
  const bool answered = socket.waitForConnected(timeoutMs);
  socket.abort();
  return answered;
}

DirectoryChild::Result DirectoryChild::start(const QString& program, const QStringList& arguments,
                                             const QString& host, quint16 port, const QString& logFile,
                                             int waitMs) {
  if (answers(host, port)) return Result::AlreadyAnswering;
  process_.setProgram(program);
  process_.setArguments(arguments);
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
    return Result::Failed;
  }
  QElapsedTimer waited;
  waited.start();
  // Waiting for the end is the pause between probes: QProcess notices an exit only inside it.
  while (waited.elapsed() < waitMs && !process_.waitForFinished(100)) {
    if (answers(host, port, 200)) {
      qCInfo(lcApp) << "started the directory server on" << host << port;
      return Result::Started;
    }
  }
  qCWarning(lcApp) << "the directory server did not answer on" << host << port;
  stop();
  return Result::Failed;
}

void DirectoryChild::stop() {
  if (!running()) return;
  process_.terminate();
  if (!process_.waitForFinished(5000)) {
    process_.kill();
    process_.waitForFinished(2000);
  }
}

QStringList prepareDirectoryData(const QString& listen, const QString& dataDir, const QString& shareDir) {
  QDir().mkpath(dataDir);
  const QString audio = dataDir + QStringLiteral("/audio");
  const QFileInfo existing(audio);
  if (!existing.exists() && !existing.isSymLink()) QFile::link(shareDir + QStringLiteral("/audio"), audio);
  return {QStringLiteral("--listen"),    listen,
          QStringLiteral("--data"),      dataDir,
          QStringLiteral("--catalogue"), shareDir + QStringLiteral("/catalogue.json")};
}
