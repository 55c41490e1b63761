// vantor-directory: the station directory and demo streams the radio ships with.

#include "audio_library.h"
#include "catalogue.h"
#include "demo_audio.h"
#include "directory_db.h"
#include "directory_server.h"
#include "upstream_directory.h"

#include <csignal>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace fs = std::filesystem;
using namespace vantor::server;

namespace {

void usage() {
  std::cerr
      << "usage: vantor-directory [--listen HOST:PORT] [--data DIR] [--catalogue FILE] [--make-audio]\n"
         "                        [--upstream URL[,URL...]] [--max-age HOURS]\n"
         "  --listen     address to serve on (default 127.0.0.1:8047)\n"
         "  --data       folder for the database and the demo audio (default: data beside the program)\n"
         "  --catalogue  demo catalogue (default: catalogue.json beside the program)\n"
         "  --make-audio make the missing demo audio, then end\n"
         "  --upstream   serve the public station directory from these mirrors, cached\n"
         "  --max-age    refresh a cached list older than this (default 6)\n";
}

bool splitListen(const std::string& s, std::string& host, int& port) {
  const size_t colon = s.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = s.substr(0, colon);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  try {
    size_t used = 0;
    port = std::stoi(s.substr(colon + 1), &used);
    return used == s.size() - colon - 1 && port > 0 && port < 65536;
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
  std::error_code ec;
  const fs::path exeDir = fs::read_symlink("/proc/self/exe", ec).parent_path();
  std::string listen = "127.0.0.1:8047";
  std::string dataDir = (exeDir / "data").string();
  std::string cataloguePath = (exeDir / "catalogue.json").string();
  bool makeAudio = false;
  std::string upstream;
  UpstreamPolicy policy;

  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--listen" || a == "--data" || a == "--catalogue") && i + 1 < argc) {
      (a == "--listen" ? listen : a == "--data" ? dataDir : cataloguePath) = argv[++i];
    } else if (a == "--upstream" && i + 1 < argc) {
      upstream = argv[++i];
    } else if (a == "--max-age" && i + 1 < argc && parseHours(argv[i + 1], policy.maxAge)) {
      ++i;
    } else if (a == "--make-audio") {
      makeAudio = true;
    } else {
      usage();
      return a == "--help" || a == "-h" ? 0 : 2;
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
  const std::string audioDir = (fs::path(dataDir) / "audio").string();
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
  if (!upstream.empty()) {
    UpstreamOptions options;
    options.mirrors = UpstreamClient::parseMirrors(upstream);
    if (options.mirrors.empty()) {
      std::cerr << "vantor-directory: --upstream wants http(s) addresses, got \"" << upstream << "\"\n";
      return 2;
    }
    try {
      cache = std::make_unique<UpstreamCache>((fs::path(dataDir) / "directory.sqlite3").string());
    } catch (const DbError& e) {
      std::cerr << "vantor-directory: upstream cache: " << e.what() << "\n";
      return 1;
    }
    client = std::make_unique<UpstreamClient>(options, log);
    source = std::make_unique<UpstreamDirectory>(*cache, *client, policy, log);
    source->prefetch();
  }

  // Signals go to one waiting thread, which stops the server; no work in a signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  DirectoryServer server(*db, audio, ServerLimits{}, log);
  server.setStationSource(source.get());
  if (server.bind(host, port) < 0) {
    std::cerr << "vantor-directory: cannot listen on " << listen << "\n";
    return 1;
  }
  std::thread waiter([&] {
    int sig = 0;
    sigwait(&stopSignals, &sig);
    server.stop();
  });
  std::cerr << "vantor-directory: serving http://" << server.fallbackHost() << "/ (" << audio.size()
            << " demo streams" << (source ? ", stations from " + upstream : std::string()) << ")"
            << std::endl;
  const bool served = server.run();
  server.stop();
  kill(getpid(), SIGTERM);  // wakes the waiter if the server ended by itself
  waiter.join();
  std::cerr << "vantor-directory: stopped" << std::endl;
  return served ? 0 : 1;
}
