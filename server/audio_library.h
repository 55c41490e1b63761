#pragma once

#include "catalogue.h"
#include "stream_framing.h"

#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace vantor::server {

// One station's loop, read once at start and shared by every listener.
struct AudioLoop {
  bool ogg = false;
  std::string bytes;
  double bytesPerSecond = 8000;
  std::vector<OggPage> pages;  // ogg only

  // The bytes of the n-th time round; Ogg loops get their own serial number.
  std::string pass(uint32_t n) const;
};

class AudioLibrary {
 public:
  // Reads <dir>/<key>.mp3 or .ogg for each station that streams; missing files are logged.
  void load(const Catalogue& cat, const std::string& dir, std::ostream& log);
  // For tests and tools: take a loop directly.
  void add(const std::string& key, std::shared_ptr<const AudioLoop> loop);
  std::shared_ptr<const AudioLoop> find(const std::string& key) const;
  size_t size() const { return loops_.size(); }

 private:
  std::map<std::string, std::shared_ptr<const AudioLoop>> loops_;
};

// Where a station's audio file lives, and whether it needs one.
bool needsAudio(StreamKind kind);
std::string audioFileName(const Station& s);

}  // namespace vantor::server
