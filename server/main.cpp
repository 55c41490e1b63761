// vantor-directory: the station directory and demo streams the radio ships with.

#include "audio_library.h"
#include "catalogue.h"
#include "demo_audio.h"
#include "directory_db.h"
#include "directory_server.h"
#include "mirror_finder.h"
#include "upstream_directory.h"
#include "version.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <random>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#ifndef VANTOR_DIRECTORY_SHARE_FROM_BIN
#define VANTOR_DIRECTORY_SHARE_FROM_BIN "../share/vantor-directory"
#endif

namespace fs = std::filesystem;
using namespace vantor::server;

namespace {

void usage(std::ostream& out) {
  out << "usage: vantor-directory [--listen HOST:PORT] [--port-file FILE] [--data DIR] [--catalogue FILE]\n"
         "                        [--upstream auto|off|URL[,URL...]] [--max-age HOURS] [--make-audio]\n"
         "  --listen     address to serve on (default 127.0.0.1:8047; port 0 picks a free one)\n"
         "  --port-file  write the port served on into FILE (mode 0600), removed at the end\n"
         "  --data       folder for the database and the demo audio (default: data beside the program,\n"
         "               or ~/.local/share/vantor-radio/directory for an installed copy)\n"
         "  --catalogue  demo catalogue (default: the one beside the program or installed with it)\n"
         "  --upstream   serve the public station directory, cached: auto finds its mirrors by DNS,\n"
         "               off (the default) serves the demo catalogue only\n"
         "  --max-age    refresh a cached list older than this (default 6)\n"
         "  --make-audio make the missing demo audio, then end\n"
         "  --version    print the version and end\n";
}

// The port, written whole before it is seen: a reader never finds half a number.
bool writePortFile(const std::string& path, int port) {
  const std::string tmp = path + ".tmp";
  unlink(tmp.c_str());
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::string text = std::to_string(port) + "\n";
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return close(fd) == 0 && written && rename(tmp.c_str(), path.c_str()) == 0;
}

// An installed copy keeps its database with the user, not beside /usr/bin.
std::string userDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  const fs::path base = xdg && *xdg == '/' ? fs::path(xdg) : fs::path(home ? home : "/") / ".local/share";
  return (base / "vantor-radio" / "directory").string();
}

bool splitListen(const std::string& s, std::string& host, int& port) {
  const size_t colon = s.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = s.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  try {
    size_t used = 0;
    port = std::stoi(s.substr(colon + 1), &used);
    return used == s.size() - colon - 1 && port >= 0 && port < 65536;
  } catch (...) {
    return false;
  }
}

bool parseHours(const std::string& s, std::chrono::seconds& out) {
  try {
    size_t used = 0;
    const int hours = std::stoi(s, &used);
    if (used != s.size() || hours < 0 || hours > 24 * 365) return false;
    out = std::chrono::hours(hours);
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Blocked before any thread starts, so every thread inherits it and only the waiter below
  // takes these signals: none kills the process behind a background refresh's back.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  std::error_code ec;
  const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  // Beside the program in the build, otherwise where the package put it.
  const fs::path installedShare = (exeDir / VANTOR_DIRECTORY_SHARE_FROM_BIN).lexically_normal();
  const bool installed =
      !fs::exists(exeDir / "catalogue.json", ec) && fs::exists(installedShare / "catalogue.json", ec);
  std::string listen = "127.0.0.1:8047";
  std::string dataDir = installed ? userDataDir() : (exeDir / "data").string();
  std::string cataloguePath = ((installed ? installedShare : exeDir) / "catalogue.json").string();
  std::string portFile;
  bool makeAudio = false;
  std::string upstream;
  UpstreamPolicy policy;

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--listen" || a == "--data" || a == "--catalogue" || a == "--port-file") && i + 1 < argc) {
      (a == "--listen"      ? listen
       : a == "--data"      ? dataDir
       : a == "--catalogue" ? cataloguePath
                            : portFile) = argv[++i];
    } else if (a == "--version") {
      std::cout << "vantor-directory " << Version::kText << "\n";
      return 0;
    } else if (a == "--upstream" && i + 1 < argc) {
      upstream = argv[++i];
    } else if (a == "--max-age" && i + 1 < argc && parseHours(argv[i + 1], policy.maxAge)) {
      ++i;
    } else if (a == "--make-audio") {
      makeAudio = true;
    } else {
      const bool help = a == "--help" || a == "-h";
      usage(help ? std::cout : std::cerr);
      return help ? 0 : 2;
    }
  }
  std::string host;
  int port = 0;
  if (!splitListen(listen, host, port)) {
    std::cerr << "vantor-directory: --listen wants HOST:PORT, got \"" << listen << "\"\n";
    return 2;
  }

  Catalogue cat;
  try {
    cat = loadCatalogue(cataloguePath);
  } catch (const CatalogueError& e) {
    std::cerr << "vantor-directory: catalogue " << cataloguePath << ": " << e.what() << "\n";
    return 1;
  }
  std::string audioDir = (fs::path(dataDir) / "audio").string();
  if (installed && !makeAudio && !fs::exists(audioDir, ec)) audioDir = (installedShare / "audio").string();
  if (makeAudio) return makeDemoAudio(cat, audioDir, std::cerr) == 0 ? 0 : 1;

  fs::create_directories(dataDir, ec);
  std::unique_ptr<DirectoryDb> db;
  try {
    db = std::make_unique<DirectoryDb>((fs::path(dataDir) / "directory.sqlite3").string());
    db->replaceCatalogue(cat);
  } catch (const DbError& e) {
    std::cerr << "vantor-directory: database: " << e.what() << "\n";
    return 1;
  }
  AudioLibrary audio;
  audio.load(cat, audioDir, std::cerr);

  std::mutex logMutex;
  const auto log = [&logMutex](const std::string& line) {
    std::lock_guard lock(logMutex);
    std::cerr << line << std::endl;
  };
  std::unique_ptr<UpstreamCache> cache;
  std::unique_ptr<UpstreamClient> client;
  std::unique_ptr<UpstreamDirectory> source;
  if (upstream == "off") upstream.clear();
  if (!upstream.empty()) {
    UpstreamOptions options;
    if (upstream == "auto") {
      options.discover = [] {
        SystemResolver resolver;
        return findMirrors(resolver, std::random_device{}());
      };
    } else {
      options.mirrors = UpstreamClient::parseMirrors(upstream);
      if (options.mirrors.empty()) {
        std::cerr << "vantor-directory: --upstream wants auto, off or http(s) addresses, got \"" << upstream
                  << "\"\n";
        return 2;
      }
    }
    try {
      cache = std::make_unique<UpstreamCache>((fs::path(dataDir) / "directory.sqlite3").string());
    } catch (const DbError& e) {
      std::cerr << "vantor-directory: upstream cache: " << e.what() << "\n";
      return 1;
    }
    client = std::make_unique<UpstreamClient>(options, log);
    source = std::make_unique<UpstreamDirectory>(*cache, *client, policy, log);
  }

  auto server = std::make_unique<DirectoryServer>(*db, audio, ServerLimits{}, log);
  server->setStationSource(source.get());
  const int bound = server->bind(host, port);
  if (bound < 0) {
    std::cerr << "vantor-directory: cannot listen on " << listen << "\n";
    return 1;
  }
  if (!portFile.empty() && !writePortFile(portFile, bound)) {
    std::cerr << "vantor-directory: cannot write the port file " << portFile << "\n";
    return 1;
  }
  if (source) source->prefetch();
  std::thread waiter([&] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    if (source) source->stop();  // first, so no request is left waiting on the upstream
    server->stop();
  });
  std::cerr << "vantor-directory: serving http://" << server->fallbackHost() << "/ (" << audio.size()
            << " demo streams" << (source ? ", stations from " + upstream : std::string()) << ")"
            << std::endl;
  const bool served = server->run();
  server->stop();
  kill(getpid(), SIGTERM);  // wakes the waiter if the server ended by itself
  waiter.join();
  // In order: nobody is served any more, then the refreshes end, then the databases close.
  if (!portFile.empty()) unlink(portFile.c_str());
  server.reset();
  if (source) source->stop();
  source.reset();
  client.reset();
  cache.reset();
  db.reset();
  std::cerr << "vantor-directory: stopped" << std::endl;
  return served ? 0 : 1;
}
