#include "directorykeeper.h"

#include <QTimer>

#include <algorithm>

#include "trap.h"

namespace {
// A child that ends sooner than this counts as failing.
constexpr qint64 kQuickEndMs = 30000;
constexpr int kLongestPauseMs = 60000;
}  // namespace

DirectoryKeeper::DirectoryKeeper(QString server, QString dataDir, QString shareDir, QString runtimeDir)
    : server_(std::move(server)),
      dataDir_(std::move(dataDir)),
      shareDir_(std::move(shareDir)),
      runtimeDir_(std::move(runtimeDir)) {
  connect(&child_.process(), &QProcess::finished, this, [this] { childEnded(); });
}

DirectoryKeeper::~DirectoryKeeper() {
  locating_ = true;  // the end that follows is ours
  child_.stop();
}

QString DirectoryKeeper::base() {
  // A restarted unit names its new port; the old one may be anybody's by now.
  if (port_ && fromUnit_ && readPortFile(runtimeDir_ + QStringLiteral("/vantor-directory.port")) != port_) {
    qCInfo(lcApp) << "the user unit's directory server left port" << *port_;
    port_.reset();
  }
  if (port_ && !listenerIsMine(*port_)) {
    qCWarning(lcApp) << "port" << *port_ << "is no longer served by this user's directory server";
    port_.reset();
  }
  if (!port_) port_ = locate();
  return port_ ? QStringLiteral("http://127.0.0.1:%1/").arg(*port_) : QString();
}

std::optional<quint16> DirectoryKeeper::locate() {
  if (locating_) return std::nullopt;
  if (sinceStart_.isValid() && sinceStart_.elapsed() < restartPauseMs()) return std::nullopt;
  locating_ = true;
  child_.stop();  // one that still runs but no longer serves its port
  const QString base = userDirectory(child_, server_, dataDir_, shareDir_, runtimeDir_);
  locating_ = false;
  fromUnit_ = !base.isEmpty() && !child_.running();
  if (!fromUnit_) {
    sinceStart_.start();
    if (base.isEmpty()) ++quickEnds_;
  }
  if (base.isEmpty()) return std::nullopt;
  return quint16(base.section(u':', 2).section(u'/', 0, 0).toUInt());
}

void DirectoryKeeper::childEnded() {
  if (locating_) return;
  const bool quick = sinceStart_.isValid() && sinceStart_.elapsed() < kQuickEndMs;
  quickEnds_ = quick ? quickEnds_ + 1 : 0;
  qCWarning(lcApp) << "the directory server ended; starting another";
  port_.reset();
  // Started at once when it was a first failure, so the next request already has it.
  QTimer::singleShot(restartPauseMs(), this, [this] {
    if (!port_) base();
  });
}

int DirectoryKeeper::restartPauseMs() const {
  if (quickEnds_ <= 1) return 0;
  return std::min(kLongestPauseMs, 1000 << std::min(quickEnds_ - 2, 6));
}
