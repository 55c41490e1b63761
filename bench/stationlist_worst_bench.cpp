// The worst station list a directory can send: as many short stations as fit just under the
// download cap. Prints what loading it costs the main window: peak resident memory, and the
// longest time its event loop stood still (during which MPRIS calls, the tray and painting
// go unanswered).
//
//   stationlist_worst_bench [--names] [BYTES]   (default: the download cap less 64 bytes)
//
// --names sends nothing but names ("<naam>S1</naam>"), the most rows a list of that size gives.
//
// The list is served by a forked child, so the process measured holds only the player.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTimer>

#include <httplib.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "directory/transfer.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

// Stations of about 65 bytes each, as in a list made to hurt, or names alone.
std::string worstList(size_t bytes, bool namesOnly, long& stations) {
  std::string body;
  body.reserve(bytes);
  stations = 0;
  for (;; ++stations) {
    const std::string n = std::to_string(stations);
    const std::string station =
        namesOnly ? "<naam>S" + n + "</naam>\n"
                  : "<naam>S" + n + "</naam><url>http://s/" + n + "</url><homepage>h</homepage>\n";
    if (body.size() + station.size() > bytes) break;
    body += station;
  }
  return body;
}

long statusKiB(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::char_traits<char>::length(field));
  return -1;
}

// Serves the list from a child process; returns its port.
int serveFromChild(size_t bytes, bool namesOnly, pid_t& child) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(1);
  child = fork();
  if (child == 0) {
    long stations = 0;
    const std::string body = worstList(bytes, namesOnly, stations);
    httplib::Server server;
    server.Get("/radio/inter/zenders/worst.txt", [&body](const httplib::Request&, httplib::Response& res) {
      // Not a text type, so the server sends it as it is rather than compressing it first.
      res.set_content(body, "application/octet-stream");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    if (write(fds[1], &port, sizeof port) != sizeof port) _exit(1);
    server.listen_after_bind();
    _exit(0);
  }
  int port = 0;
  if (read(fds[0], &port, sizeof port) != sizeof port || port <= 0) std::exit(1);
  close(fds[0]);
  close(fds[1]);
  return port;
}

}  // namespace

int main(int argc, char** argv) {
  const bool namesOnly = argc > 1 && std::string(argv[1]) == "--names";
  const int sizeArg = namesOnly ? 2 : 1;
  const size_t bytes =
      argc > sizeArg ? size_t(std::atoll(argv[sizeArg])) : size_t(Transfer::kMaxBodyBytes - 64);
  long stations = 0;
  worstList(bytes, namesOnly, stations);  // only to count them
  pid_t child = 0;
  const int port = serveFromChild(bytes, namesOnly, child);

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  int status = 1;
  {
    TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
    RecordingPrompt prompt;
    FakeMediaPlayer player;
    Listening listening{player};
    Form1 form(Form1Services{dir.folder(), prompt, listening, std::make_unique<FakeSystemTray>(),
                             DirectoryAddress(QStringLiteral("http://127.0.0.1:%1/").arg(port))});
    form.show();
    QEventLoop settle;
    QTimer::singleShot(1500, &settle, &QEventLoop::quit);  // start-up timers, first paint
    settle.exec();
    const long before = statusKiB("VmRSS:");

    // A ticking timer: the gaps between its ticks are the time nothing else could run.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(2);
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      longest = std::max(longest, now - last);
      last = now;
    });
    clock.start();
    probe.start();
    QEventLoop after;  // what follows a load (layout, painting) counts too
    qint64 loadTime = 0;
    QTimer::singleShot(0, &form, [&] {
      QElapsedTimer load;
      load.start();
      form.LaadLijst_Radio(QStringLiteral("worst.txt"));
      loadTime = load.elapsed();
      QTimer::singleShot(5000, &after, &QEventLoop::quit);
    });
    const qint64 loadStart = clock.elapsed();
    after.exec();
    probe.stop();
    const auto* list = form.findChild<QListWidget*>(QStringLiteral("List1"));

    std::printf("download cap            %lld bytes\n", static_cast<long long>(Transfer::kMaxBodyBytes));
    std::printf("list sent               %zu bytes, %ld %s\n", bytes, stations,
                namesOnly ? "names alone" : "stations");
    std::printf("stations listed         %d\n", list->count());
    std::printf("messages shown          %d\n", int(prompt.boxes().size()));
    std::printf("resident before load    %.1f MB\n", before / 1024.0);
    std::printf("resident after load     %.1f MB\n", statusKiB("VmRSS:") / 1024.0);
    std::printf("peak resident           %.1f MB\n", statusKiB("VmHWM:") / 1024.0);
    std::printf("LaadLijst_Radio took    %lld ms\n", static_cast<long long>(loadTime));
    std::printf("longest event-loop stall %lld ms (within %lld ms from the load)\n",
                static_cast<long long>(longest), static_cast<long long>(clock.elapsed() - loadStart));
    status = 0;
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  return status;
}
