#include "bundled_directory.h"

#include <QTemporaryDir>

#include <sstream>
#include <stdexcept>
#include <thread>

#include "server/audio_library.h"
#include "server/catalogue.h"
#include "server/directory_db.h"
#include "server/directory_server.h"

using namespace vantor::server;

struct BundledDirectory::Running {
  QTemporaryDir dbDir;
  Catalogue catalogue = loadCatalogue(VANTOR_SOURCE_DIR "/server/catalogue.json");
  std::unique_ptr<DirectoryDb> db;
  AudioLibrary audio;
  std::unique_ptr<DirectoryServer> server;
  std::thread thread;
  int port = -1;
};

BundledDirectory::BundledDirectory() : running_(std::make_unique<Running>()) {
  Running& r = *running_;
  r.db = std::make_unique<DirectoryDb>(r.dbDir.filePath("directory.sqlite3").toStdString());
  r.db->replaceCatalogue(r.catalogue);
  std::ostringstream log;
  r.audio.load(r.catalogue, VANTOR_DEMO_DATA_DIR "/audio", log);
  if (r.audio.size() == 0)
    throw std::runtime_error("no demo audio in " VANTOR_DEMO_DATA_DIR "/audio: " + log.str());
  r.server = std::make_unique<DirectoryServer>(*r.db, r.audio, ServerLimits{}, [](const std::string&) {});
  r.port = r.server->bind("127.0.0.1", 0);
  if (r.port <= 0) throw std::runtime_error("cannot bind the bundled directory");
  r.thread = std::thread([&r] { r.server->run(); });
  while (!r.server->isRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

BundledDirectory::~BundledDirectory() {
  running_->server->stop();
  if (running_->thread.joinable()) running_->thread.join();
}

int BundledDirectory::port() const { return running_->port; }

std::string BundledDirectory::base() const {
  return "http://127.0.0.1:" + std::to_string(running_->port) + "/";
}
