#include <QApplication>
#include <QDBusConnection>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "app/directorykeeper.h"
#include "app/endsignals.h"
#include "app/instance.h"
#include "app/largestates.h"
#include "app/programfolder.h"
#include "app/runtimefolder.h"
#include "app/prompt.h"
#include "desktop/backgroundnotice.h"
#include "desktop/idleinhibitor.h"
#include "desktop/keeplistening.h"
#include "desktop/laterstart.h"
#include "desktop/mpris.h"
#include "desktop/mprislink.h"
#include "desktop/networkmonitor.h"
#include "desktop/notifications.h"
#include "desktop/nowplaying.h"
#include "desktop/sleepmonitor.h"
#include "desktop/systemtray.h"
#include "directory/directoryaddress.h"
#include "playback/gstsetup.h"
#include "playback/listening.h"
#include "playback/mediaplayer_gstreamer.h"
#include "player/Form1.h"
#include "player/stationopen.h"
#include "version.h"

#ifndef VANTOR_DIRECTORY_SHARE_FROM_BIN
#define VANTOR_DIRECTORY_SHARE_FROM_BIN "../share/vantor-directory"
#endif

namespace {
// VANTOR_DIRECTORY_URL when set; else for an installed copy a directory of the user's own (the
// user unit's, or a child started here), for a portable copy run.sh's server on the default.
// A child rather than the server library in-process: the same program the user unit runs, with
// its own threads and signals, and a fault in one does not take the other down.
DirectoryAddress directoryFor(std::unique_ptr<DirectoryKeeper>& keeper, const ProgramFolder& folder) {
  if (!qEnvironmentVariable("VANTOR_DIRECTORY_URL").trimmed().isEmpty())
    return DirectoryAddress::fromEnvironment();
  const QString bin = QCoreApplication::applicationDirPath();
  const QString server = bin + QStringLiteral("/vantor-directory");
  if (!QFileInfo(server).isExecutable()) return DirectoryAddress();
  const QString share = QDir::cleanPath(bin + QStringLiteral("/" VANTOR_DIRECTORY_SHARE_FROM_BIN));
  const QString data = folder.userPath() + QStringLiteral("/directory");
  // Port files only where no other user can put one: the runtime folder, else beside the data.
  QString ports = privateRuntimeFolder();
  if (ports.isEmpty() && QDir().mkpath(data) && makePrivateFolder(data + QStringLiteral("/run")))
    ports = data + QStringLiteral("/run");
  if (!ports.isEmpty()) keeper = std::make_unique<DirectoryKeeper>(server, data, share, ports);
  // Never another user's server on the default port: without one of its own nothing answers.
  return DirectoryAddress([k = keeper.get()] {
    const QString base = k ? k->base() : QString();
    return base.isEmpty() ? QStringLiteral("http://127.0.0.1:0/") : base;
  });
}

// The session bus is joined when the first now-playing line goes out, not at start.
class LaterBusMessenger final : public Messenger {
 public:
  void deliver(const MessengerCopyData& record) override {
    if (!bus_) bus_.emplace(QDBusConnection::sessionBus());
    bus_->deliver(record);
  }

 private:
  std::optional<BusMessenger> bus_;
};

// Answered before anything needs a display.
bool answeredCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--version") {
      std::printf("vantor-radio %s\n", Version::kText);
      return true;
    }
    if (a == "--help" || a == "-h") {
      std::printf(
          "usage: vantor-radio [--help] [--version] [Qt options] [ADDRESS | PLAYLIST]\n"
          "Plays the stations of a station directory, or the http(s) ADDRESS or the first station of a\n"
          "local .m3u, .pls or .xspf PLAYLIST; see vantor-radio(1) for its files and environment.\n");
      return true;
    }
  }
  return false;
}
}  // namespace

int main(int argc, char** argv) {
  if (answeredCommandLine(argc, argv)) return 0;
  // Docks match a window to its launcher by one name: the desktop file's, the Wayland app id and
  // both halves of the X11 WM_CLASS (the instance half from -name, the class from the
  // application name).
  // Read before QApplication: Qt's X11 plugin takes DESKTOP_STARTUP_ID out of the environment.
  const QString activationToken = launcherActivationToken();
  std::vector<char*> args(argv, argv + argc);
  char nameOption[] = "-name";
  char desktopName[] = "vantor-internet-radio";
  if (std::find_if(args.begin(), args.end(), [](const char* a) { return std::strcmp(a, "-name") == 0; }) ==
      args.end())
    args.insert(args.begin() + std::min(argc, 1), {nameOption, desktopName});
  int count = int(args.size());
  args.push_back(nullptr);
  QApplication app(count, args.data());
  QApplication::setApplicationName(QString::fromLatin1(desktopName));
  QApplication::setApplicationDisplayName(QString::fromLatin1(Version::kProgramTitle));
  QApplication::setApplicationVersion(QString::fromLatin1(Version::kText));
  QApplication::setDesktopFileName(QString::fromLatin1(desktopName));
  // The window goes to the tray (or, playing without a tray, out of sight) when closed; the
  // program ends only when it says so.
  QApplication::setQuitOnLastWindowClosed(false);
  LargeStateGuard largeStates;
  app.installEventFilter(&largeStates);

  const ProgramFolder folder = ProgramFolder::ofExecutable();
  // An address or playlist on the command line (the file manager's "Open with") is played here,
  // or handed to the copy already running.
  const QStringList toOpen = stationopen::addressesOf(QCoreApplication::arguments().mid(1));
  auto instance = makeSingleInstance(folder.path());
  if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
    instance->OpenInPreviousInstance(toOpen, activationToken);
    return 0;
  }

  std::unique_ptr<DirectoryKeeper> directory;
  const DirectoryAddress directoryAddress = directoryFor(directory, folder);

  // The player and what plays on it.
  GstMediaPlayer player;
  player.setDirectory([&directoryAddress] { return QUrl(directoryAddress.base()); });
  // A listed station of a server that has moved since is played from where it is now, never
  // from the old port, which anybody may hold by then.
  player.setAddressMap([&directoryAddress](const QString& url) { return directoryAddress.rebased(url); });
  Listening listening(player);

  // The window.
  QtPrompt prompt;
  LaterBusMessenger messenger;
  Form1 form(Form1Services{folder, prompt, listening, makeSystemTray(), directoryAddress, &messenger});
  QObject::connect(instance.get(), &SingleInstance::activationRequested, &form, &Form1::activateWithToken);
  QObject::connect(&form, &Form1::endRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
  QObject::connect(instance.get(), &SingleInstance::openRequested, &form, &Form1::openFromOutside);
  if (!toOpen.isEmpty()) form.openFromOutside(toOpen);
  // SIGTERM, SIGINT and SIGHUP save the state before the program ends.
  EndSignals endSignals;
  QObject::connect(&endSignals, &EndSignals::received, &form, &Form1::endSession);

  // The desktop's media controls and notifications, once the window is out (or a moment later
  // when the program starts in the tray).
  Mpris mpris;
  std::optional<SongNotifier> notifier;
  afterWindowShown(
      form,
      [&] {
        // Without a session bus the program simply has no desktop media controls.
        if (mpris.publish(QDBusConnection::sessionBus())) {
          linkMpris(listening, mpris,
                    {[&form](const QString& address) { form.openAddress(address); },
                     [&form](int volume) { form.setVolume(volume); }, [&form] { form.activate(); },
                     [&form] { form.endProgram(); }});
          mpris.setVolume(form.volume());
          QObject::connect(&form, &Form1::volumeChanged, &mpris, &Mpris::setVolume);
        }
        // A minimised window (where the desktop has no tray) is out of sight as well.
        linkNotifications(listening, notifier.emplace(QDBusConnection::sessionBus()),
                          [&form] { return form.isVisible() && !form.isMinimized(); });
        // The first play then finds its plugins and the audio output loaded.
        gstsetup::warmUp();
      },
      std::chrono::seconds(1));
  std::optional<BackgroundNotice> backgroundNotice;
  QObject::connect(&form, &Form1::playsInBackground, &form, [&backgroundNotice] {
    if (!backgroundNotice) backgroundNotice.emplace(QDBusConnection::sessionBus());
    backgroundNotice->tell();
  });

  // Keeping a station going through network changes and suspend; the watchers start when a
  // station first plays.
  LaterNetworkMonitor network;
  LaterSleepMonitor sleep;
  LaterIdleInhibitor inhibitor(
      [] { return makeIdleInhibitor(QDBusConnection::sessionBus(), QDBusConnection::systemBus()); });
  keepListening(listening, network, sleep, inhibitor);
  whenFirstPlaying(listening, [&] {
    network.start(makeNetworkMonitor());
    sleep.start(makeSleepMonitor(QDBusConnection::systemBus()));
  });
  return app.exec();
}
