#pragma once

#include <QString>

#include <cstddef>
#include <functional>

// Keeps a recording from filling the disk: a write is allowed while it leaves minFreeBytes free
// on the disk that holds the folder.
class DiskGuard {
 public:
  // Free bytes on the disk that holds a folder; -1 when that cannot be read.
  using FreeBytes = std::function<qint64(const QString& folder)>;

  // freeBytes: statvfs when not given.
  DiskGuard(QString folder, qint64 minFreeBytes, FreeBytes freeBytes = {});

  // A disk whose free space cannot be read does not stop the recording.
  bool allows(std::size_t bytes) const;

  static qint64 statFree(const QString& folder);

 private:
  QString folder_;
  qint64 minFree_;
  FreeBytes freeBytes_;
};
