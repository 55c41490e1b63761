#include "audio_library.h"

#include "stream_framing.h"
#include "text.h"

#include <fstream>
#include <sstream>

namespace vantor::server {

std::string AudioLoop::pass(uint32_t n) const {
  if (!ogg || n == 0) return bytes;
  return oggWithSerialOffset(bytes, pages, n);
}

bool needsAudio(StreamKind kind) { return kind != StreamKind::Broken; }

std::string audioFileName(const Station& s) {
  return asciiLower(s.key) + (s.kind == StreamKind::Ogg ? ".ogg" : ".mp3");
}

void AudioLibrary::load(const Catalogue& cat, const std::string& dir, std::ostream& log) {
  size_t missing = 0;
  for (const auto& c : cat.countries) {
    for (const auto& s : c.stations) {
      if (!needsAudio(s.kind)) continue;
      const std::string path = dir + "/" + audioFileName(s);
      std::ifstream in(path, std::ios::binary);
      if (!in) {
        ++missing;
        continue;
      }
      std::ostringstream ss;
      ss << in.rdbuf();
      auto loop = std::make_shared<AudioLoop>();
      loop->bytes = ss.str();
      if (loop->bytes.empty()) {
        ++missing;
        continue;
      }
      if (s.kind == StreamKind::Ogg) {
        try {
          loop->ogg = true;
          loop->pages = splitOggPages(loop->bytes);
          loop->bytesPerSecond =
              static_cast<double>(loop->bytes.size()) / oggVorbisSeconds(loop->bytes, loop->pages);
        } catch (const OggError& e) {
          log << "vantor-directory: " << path << ": " << e.what() << "\n";
          continue;
        }
      } else {
        loop->bytesPerSecond = s.bitrateKbps * 1000.0 / 8.0;
      }
      loops_[asciiLower(s.key)] = std::move(loop);
    }
  }
  if (missing)
    log << "vantor-directory: " << missing << " demo stream(s) have no audio in " << dir
        << "; run vantor-directory --make-audio\n";
}

void AudioLibrary::add(const std::string& key, std::shared_ptr<const AudioLoop> loop) {
  loops_[asciiLower(key)] = std::move(loop);
}

std::shared_ptr<const AudioLoop> AudioLibrary::find(const std::string& key) const {
  const auto it = loops_.find(asciiLower(key));
  return it == loops_.end() ? nullptr : it->second;
}

}  // namespace vantor::server
