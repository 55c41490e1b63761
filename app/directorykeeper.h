#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

#include "directorychild.h"

// Keeps an installed copy on a directory server of this user's for the whole run: the user
// unit's while its port file names it, else a child of the program's, started again (on a new
// port, with a new port file) when it ends. A port is checked before each use to be served by
// this user; a port another user holds is never used, and then nothing is rather than that.
class DirectoryKeeper : public QObject {
  Q_OBJECT
 public:
  DirectoryKeeper(QString server, QString dataDir, QString shareDir, QString runtimeDir);
  ~DirectoryKeeper() override;

  // The base address to use now ("http://127.0.0.1:<port>/"), of a server checked just now to
  // be this user's; empty when there is none.
  QString base();
  // The child's process id; 0 when none runs (the user unit's server is used).
  qint64 childProcessId() const { return child_.running() ? child_.processId() : 0; }

 private:
  std::optional<quint16> locate();
  void childEnded();
  int restartPauseMs() const;

  const QString server_, dataDir_, shareDir_, runtimeDir_;
  DirectoryChild child_;
  std::optional<quint16> port_;
  bool fromUnit_ = false;
  bool locating_ = false;
  // A server that keeps dying is started again less and less often.
  int quickEnds_ = 0;
  QElapsedTimer sinceStart_;
};
