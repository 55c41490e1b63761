#include <QApplication>
#include <QDBusConnection>

#include "app/endsignals.h"
#include "app/instance.h"
#include "app/programfolder.h"
#include "app/prompt.h"
#include "desktop/mpris.h"
#include "desktop/notifications.h"
#include "desktop/nowplaying.h"
#include "desktop/systemtray.h"
#include "directory/directoryaddress.h"
#include "player/Form1.h"
#include "player/mediaplayer_gstreamer.h"
#include "player/mprislink.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Vantor Internet Radio"));
  QApplication::setApplicationVersion(QStringLiteral("2.0"));
  QApplication::setDesktopFileName(QStringLiteral("vantor-internet-radio"));
  // The window goes to the tray when closed; the program ends only when it says so.
  QApplication::setQuitOnLastWindowClosed(false);

  const ProgramFolder folder = ProgramFolder::ofExecutable();
  auto instance = makeSingleInstance(folder.path());
  if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
    instance->ActivatePreviousInstance();
    return 0;
  }

  QtPrompt prompt;
  GstMediaPlayer player;
  BusMessenger messenger(QDBusConnection::sessionBus());
  Form1 form(Form1Services{folder, prompt, player, makeSystemTray(), DirectoryAddress::fromEnvironment(), &messenger});
  QObject::connect(instance.get(), &SingleInstance::activationRequested, &form, &Form1::activate);
  // Without a session bus the program simply has no desktop media controls.
  Mpris mpris;
  if (mpris.publish(QDBusConnection::sessionBus())) LinkMpris(form, mpris);
  SongNotifier notifier(QDBusConnection::sessionBus());
  LinkNotifications(form, notifier);
  QObject::connect(&form, &Form1::endRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  // SIGTERM, SIGINT and SIGHUP save the state before the program ends.
  EndSignals endSignals;
  QObject::connect(&endSignals, &EndSignals::received, &form, &Form1::endSession);
  return app.exec();
}
