#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// The bundled directory server run as a child of the program, for an installed copy that has no
// directory of the user's own running. The child picks a free loopback port and names it in a
// port file, so no other user's server, nor a stale one, is ever taken for it. The child ends
// with this object, and the kernel ends it too if the program dies without cleaning up.
class DirectoryChild {
 public:
  DirectoryChild() = default;
  ~DirectoryChild();
  DirectoryChild(const DirectoryChild&) = delete;
  DirectoryChild& operator=(const DirectoryChild&) = delete;

  // Whether something accepts connections on host:port within timeoutMs.
  static bool answers(const QString& host, quint16 port, int timeoutMs = 1000);

  // Starts program with arguments plus "--port-file portFile", then waits up to waitMs for the
  // port to be written there and to answer on 127.0.0.1. The child's messages go to logFile
  // (rewritten at each start), or to this program's standard error when it is empty.
  // Returns the port, or nothing when the server did not come up (it is ended then).
  std::optional<quint16> start(const QString& program, const QStringList& arguments, const QString& portFile,
                               const QString& logFile = {}, int waitMs = 10000);
  bool running() const { return process_.state() != QProcess::NotRunning; }
  qint64 processId() const { return process_.processId(); }
  // The child's process, to notice its end (QProcess::finished).
  const QProcess& process() const { return process_; }
  // Ends the child with SIGTERM (then SIGKILL when it does not end in time), and removes the
  // port file that a killed child left behind.
  void stop();

 private:
  QProcess process_;
  QString portFile_;
};

// The arguments for an installed vantor-directory on a free loopback port that keeps its
// database in dataDir and serves the shipped catalogue and demo audio of shareDir, with the
// upstream VANTOR_UPSTREAM names, else directory.env (auto when neither, none when "off").
// Makes dataDir, with its "audio" a link to the shipped audio unless the user has an audio
// folder of their own there.
QStringList prepareDirectoryData(const QString& dataDir, const QString& shareDir);

// The port a port file names, when it is a regular file of this user's and names one.
std::optional<quint16> readPortFile(const QString& path);
// Whether the listening socket on 127.0.0.1:port belongs to this user (/proc/net/tcp).
bool listenerIsMine(quint16 port);

// The directory of this user for an installed copy: the user unit's when its port file (in
// runtimeDir) names a server of this user's that answers, else a child started from server.
// Returns the base address, or an empty string when neither is there.
QString userDirectory(DirectoryChild& child, const QString& server, const QString& dataDir,
                      const QString& shareDir, const QString& runtimeDir);
