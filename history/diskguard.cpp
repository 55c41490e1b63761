#include "diskguard.h"

#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

#include <utility>

namespace {
// A new station's folder does not exist before its first file: the disk is the one that will
// hold it, that of the nearest folder that exists.
QString nearestFolder(QString folder) {
  while (!QFileInfo(folder).isDir()) {
    const QString up = QFileInfo(folder).path();
    if (up == folder) break;
    folder = up;
  }
  return folder;
}
}  // namespace

DiskGuard::DiskGuard(QString folder, qint64 minFreeBytes, FreeBytes freeBytes)
    : folder_(std::move(folder)), minFree_(minFreeBytes), freeBytes_(std::move(freeBytes)) {
  if (!freeBytes_) freeBytes_ = &DiskGuard::statFree;
}

bool DiskGuard::allows(std::size_t bytes) const {
  const qint64 free = freeBytes_(nearestFolder(folder_));
  return free < 0 || free - qint64(bytes) >= minFree_;
}

qint64 DiskGuard::statFree(const QString& folder) {
  struct statvfs s {};
  if (::statvfs(QFile::encodeName(folder).constData(), &s) != 0) return -1;
  return qint64(s.f_bavail) * qint64(s.f_frsize);
}
