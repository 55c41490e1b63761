#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The bundled directory server run as a child of the program, for an installed copy whose
// default directory address has nobody answering. The child ends with this object, and the
// kernel ends it too if the program dies without cleaning up.
class DirectoryChild {
 public:
  DirectoryChild() = default;
  ~DirectoryChild();
  DirectoryChild(const DirectoryChild&) = delete;
  DirectoryChild& operator=(const DirectoryChild&) = delete;

  // Whether something accepts connections on host:port within timeoutMs.
  static bool answers(const QString& host, quint16 port, int timeoutMs = 1000);

  enum class Result { AlreadyAnswering, Started, Failed };
  // Starts program with arguments unless something answers on host:port already, then waits
  // up to waitMs for it to answer there. The child's messages go to logFile (rewritten at each
  // start), or to this program's standard error when it is empty.
  Result start(const QString& program, const QStringList& arguments, const QString& host, quint16 port,
               const QString& logFile = {}, int waitMs = 10000);
  bool running() const { return process_.state() != QProcess::NotRunning; }
  qint64 processId() const { return process_.processId(); }
  // Ends the child (TERM, then KILL when it does not end in time).
  void stop();

 private:
  QProcess process_;
};

// The arguments for an installed vantor-directory that keeps its database in dataDir and
// serves the shipped catalogue and demo audio of shareDir. Makes dataDir, with its "audio"
// a link to the shipped audio unless the user has an audio folder of their own there.
QStringList prepareDirectoryData(const QString& listen, const QString& dataDir, const QString& shareDir);
