#include "streamformat.h"

#include <cstring>
#include <utility>

#include "audioframes.h"

namespace {
constexpr std::size_t kMaxProbe = 8192;            // a frame is never longer than this
constexpr std::size_t kMaxUndetected = 64 * 1024;  // a stream not recognised by then is not audio we cut
}  // namespace

namespace streamformat {

Detection detect(const unsigned char* p, std::size_t size) {
  for (std::size_t i = 0; i + 7 <= size && i < kMaxProbe * 4; ++i) {
    if (std::memcmp(p + i, "OggS", 4) == 0) return {StreamFormat::Ogg, i};
    if (p[i] != 0xFF) continue;
    for (StreamFormat f : {StreamFormat::Aac, StreamFormat::Mp3}) {
      const std::size_t n = audioframes::frameLength(f, p + i);
      if (n == 0) continue;
      if (i + n + 7 > size) return {};  // the next header is not here yet
      if (audioframes::frameLength(f, p + i + n) != 0) return {f, i};
    }
  }
  return {};
}

const char* extension(StreamFormat format) {
  switch (format) {
    case StreamFormat::Mp3:
      return ".mp3";
    case StreamFormat::Aac:
      return ".aac";
    case StreamFormat::Ogg:
      return ".ogg";
    default:
      return "";
  }
}

}  // namespace streamformat

StreamFormat FormatProbe::add(const char* data, std::size_t size) {
  bytes_.append(data, size);
  const streamformat::Detection found =
      streamformat::detect(reinterpret_cast<const unsigned char*>(bytes_.data()), bytes_.size());
  start_ = found.start;
  return found.format;
}

bool FormatProbe::gaveUp() const { return bytes_.size() > kMaxUndetected; }

std::string FormatProbe::take() {
  std::string out = std::exchange(bytes_, {});
  out.erase(0, std::exchange(start_, 0));
  return out;
}
