#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "app/directorychild.h"
#include "app/endsignals.h"
#include "app/instance.h"
#include "app/programfolder.h"
#include "app/prompt.h"
#include "desktop/idleinhibitor.h"
#include "desktop/mpris.h"
#include "desktop/networkmonitor.h"
#include "desktop/notifications.h"
#include "desktop/nowplaying.h"
#include "desktop/sleepmonitor.h"
#include "desktop/systemtray.h"
#include "directory/directoryaddress.h"
#include "player/Form1.h"
#include "playback/mediaplayer_gstreamer.h"
#include "player/mprislink.h"
#include "player/playcontrol.h"
#include "version.h"

#ifndef VANTOR_DIRECTORY_SHARE_FROM_BIN
#define VANTOR_DIRECTORY_SHARE_FROM_BIN "../share/vantor-directory"
#endif

namespace {
// An installed copy brings its own directory server when nobody serves the default address.
// A child rather than the server library in-process: the same program the user unit runs, with
// its own threads and signals, and a fault in one does not take the other down.
void startBundledDirectory(DirectoryChild& child, const ProgramFolder& folder,
                           const DirectoryAddress& address) {
  if (address.base() != DirectoryAddress::kDefaultBase) return;
  const QString bin = QCoreApplication::applicationDirPath();
  const QString server = bin + QStringLiteral("/vantor-directory");
  if (!QFileInfo(server).isExecutable()) return;  // a portable copy: run.sh starts the server
  const QUrl url(address.base());
  const QString listen = url.host() + u':' + QString::number(url.port());
  const QString data = folder.userPath() + QStringLiteral("/directory");
  const QString share = QDir::cleanPath(bin + QStringLiteral("/" VANTOR_DIRECTORY_SHARE_FROM_BIN));
  child.start(server, prepareDirectoryData(listen, data, share), url.host(), url.port(),
              data + QStringLiteral("/directory.log"));
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(Version::kProgramTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(Version::kText));
  QApplication::setDesktopFileName(QStringLiteral("vantor-internet-radio"));
  // The window goes to the tray when closed; the program ends only when it says so.
  QApplication::setQuitOnLastWindowClosed(false);

  const ProgramFolder folder = ProgramFolder::ofExecutable();
  auto instance = makeSingleInstance(folder.path());
  if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
    instance->ActivatePreviousInstance();
    return 0;
  }

  const DirectoryAddress directoryAddress = DirectoryAddress::fromEnvironment();
  DirectoryChild directory;
  startBundledDirectory(directory, folder, directoryAddress);

  QtPrompt prompt;
  GstMediaPlayer player;
  BusMessenger messenger(QDBusConnection::sessionBus());
  Form1 form(Form1Services{folder, prompt, player, makeSystemTray(), directoryAddress, &messenger});
  QObject::connect(instance.get(), &SingleInstance::activationRequested, &form, &Form1::activate);
  // Without a session bus the program simply has no desktop media controls.
  Mpris mpris;
  if (mpris.publish(QDBusConnection::sessionBus())) linkMpris(form, mpris);
  SongNotifier notifier(QDBusConnection::sessionBus());
  linkNotifications(form, notifier);
  const auto network = makeNetworkMonitor();
  const auto sleep = makeSleepMonitor(QDBusConnection::systemBus());
  const auto inhibitor = makeIdleInhibitor(QDBusConnection::sessionBus(), QDBusConnection::systemBus());
  keepListening(player, *network, *sleep, *inhibitor);
  QObject::connect(&form, &Form1::endRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // SIGTERM, SIGINT and SIGHUP save the state before the program ends.
  EndSignals endSignals;
  QObject::connect(&endSignals, &EndSignals::received, &form, &Form1::endSession);
  return app.exec();
}
