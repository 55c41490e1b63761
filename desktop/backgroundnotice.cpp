#include "backgroundnotice.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

#include "desktop_log.h"
#include "version.h"

BackgroundNotice::BackgroundNotice(QDBusConnection bus, QString markFile, QString service, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), markFile_(std::move(markFile)), service_(std::move(service)) {}

QString BackgroundNotice::defaultMarkFile() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  // Relative paths are to be ignored, as the base directory rules say.
  if (state.isEmpty() || QDir::isRelativePath(state)) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/vantor-radio/background-notice-shown");
}

bool BackgroundNotice::wasShown() const { return QFileInfo::exists(markFile_); }

void BackgroundNotice::tell() {
  if (asking_ || wasShown() || !bus_.isConnected()) return;
  asking_ = true;
  QDBusMessage call =
      QDBusMessage::createMethodCall(service_, QStringLiteral("/org/freedesktop/Notifications"),
                                     QLatin1String(kService), QStringLiteral("Notify"));
  const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("vantor-internet-radio")}};
  call << QString::fromLatin1(Version::kProgramTitle) << uint(0) << QStringLiteral("vantor-internet-radio")
       << tr("Playing on in the background")
       << tr("The window is closed, the station plays on. Start the program again or use the "
             "desktop's media controls to bring the window back; Ctrl+Q in the window ends the program.")
       << QStringList() << hints << -1;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    asking_ = false;
    const QDBusPendingReply<uint> reply = *w;
    if (reply.isError()) {
      qCDebug(lcDesktop) << "background notice not shown:" << reply.error().message();
      return;
    }
    QFile mark(markFile_);
    if (!QDir().mkpath(QFileInfo(markFile_).path()) || !mark.open(QIODevice::WriteOnly))
      qCWarning(lcDesktop) << "cannot keep" << markFile_ << "- the background notice may come again";
  });
}
