#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Byte-level pieces of an Icecast-style stream: ICY metadata and looping Ogg files.
namespace vantor::server {

// One metadata block: a length byte (in 16-byte units) and the padded text; "\0" when title is empty.
std::string icyMetadataBlock(std::string_view title);

// Puts a metadata block after every `metaint` audio bytes, across calls.
class IcyFramer {
 public:
  explicit IcyFramer(size_t metaint) : metaint_(metaint), untilMeta_(metaint) {}
  // Appends `audio` to `out` with blocks in place; a title is sent once, then empty blocks until it changes.
  void frame(std::string_view audio, const std::string& title, std::string& out);

 private:
  size_t metaint_;
  size_t untilMeta_;
  std::string lastTitle_;
};

struct OggError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct OggPage {
  size_t offset = 0;
  size_t size = 0;
};

uint32_t oggCrc(std::string_view data);

// Every page of the file, each with a checked CRC; throws OggError on anything else.
std::vector<OggPage> splitOggPages(std::string_view file);

// The file with every page's serial number raised by `delta` and its CRC redone. Looping a file
// with the same serial makes decoders see one stream with time running backwards.
std::string oggWithSerialOffset(std::string_view file, const std::vector<OggPage>& pages, uint32_t delta);

// From the Vorbis identification header and the last page's granule position.
double oggVorbisSeconds(std::string_view file, const std::vector<OggPage>& pages);

}  // namespace vantor::server
