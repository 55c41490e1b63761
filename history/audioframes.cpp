#include "audioframes.h"

#include <cstring>

namespace audioframes {

namespace {
// kbit/s by [version is MPEG-1][layer 1..3][index]; MPEG-2 and 2.5 share a table.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}}};
constexpr int kSampleRates[3] = {44100, 48000, 32000};
constexpr std::size_t kMaxProbe = 8192;  // a frame is never longer than this
}  // namespace

std::size_t mpegLength(const unsigned char* p) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
  const int version = (p[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
  const int layer = 4 - ((p[1] >> 1) & 3);
  const int bitrateIndex = p[2] >> 4;
  const int rateIndex = (p[2] >> 2) & 3;
  if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return 0;
  const bool mpeg1 = version == 3;
  const int kbps = kBitrates[mpeg1][layer - 1][bitrateIndex];
  const int rate = kSampleRates[rateIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const int padding = (p[2] >> 1) & 1;
  if (layer == 1) return std::size_t((12 * kbps * 1000 / rate + padding) * 4);
  const int perFrame = (layer == 3 && !mpeg1) ? 72 : 144;
  return std::size_t(perFrame * kbps * 1000 / rate + padding);
}

std::size_t adtsLength(const unsigned char* p) {
  if (p[0] != 0xFF || (p[1] & 0xF6) != 0xF0) return 0;
  if (((p[2] >> 2) & 0xF) > 12) return 0;  // sampling frequency index
  const std::size_t length = ((p[3] & 0x3u) << 11) | (std::size_t(p[4]) << 3) | (p[5] >> 5);
  const std::size_t header = (p[1] & 1) ? 7 : 9;
  return length > header ? length : 0;
}

std::int64_t frameMicros(Format format, const unsigned char* p) {
  static constexpr int kAdtsRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                         22050, 16000, 12000, 11025, 8000,  7350};
  if (format == Format::Aac && adtsLength(p))
    return std::int64_t(1024) * ((p[6] & 3) + 1) * 1000000 / kAdtsRates[(p[2] >> 2) & 0xF];
  if (format != Format::Mp3 || !mpegLength(p)) return 0;
  const int version = (p[1] >> 3) & 3;
  const int layer = 4 - ((p[1] >> 1) & 3);
  const int rate = kSampleRates[(p[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const int samples = layer == 1 ? 384 : (layer == 3 && version != 3) ? 576 : 1152;
  return std::int64_t(samples) * 1000000 / rate;
}

std::size_t frameLength(Format format, const unsigned char* p) {
  switch (format) {
    case Format::Mp3:
      return mpegLength(p);
    case Format::Aac:
      return adtsLength(p);
    default:
      return 0;
  }
}

Detection detect(const unsigned char* p, std::size_t size) {
  for (std::size_t i = 0; i + 7 <= size && i < kMaxProbe * 4; ++i) {
    if (std::memcmp(p + i, "OggS", 4) == 0) return {Format::Ogg, i};
    if (p[i] != 0xFF) continue;
    for (Format f : {Format::Aac, Format::Mp3}) {
      const std::size_t n = frameLength(f, p + i);
      if (n == 0) continue;
      if (i + n + 7 > size) return {};  // the next header is not here yet
      if (frameLength(f, p + i + n) != 0) return {f, i};
    }
  }
  return {};
}

const char* extension(Format format) {
  switch (format) {
    case Format::Mp3:
      return ".mp3";
    case Format::Aac:
      return ".aac";
    case Format::Ogg:
      return ".ogg";
    default:
      return "";
  }
}

std::size_t oggPageLength(const unsigned char* p, std::size_t size) {
  if (size < 27 || std::memcmp(p, "OggS", 4) != 0 || p[4] != 0) return 0;
  const std::size_t segments = p[26];
  if (size < 27 + segments) return 0;
  std::size_t length = 27 + segments;
  for (std::size_t i = 0; i < segments; ++i) length += p[27 + i];
  return length <= size ? length : 0;
}

bool oggBeginsStream(const unsigned char* p) { return (p[5] & 0x02) != 0; }

std::uint32_t oggSerial(const unsigned char* p) {
  return std::uint32_t(p[14]) | std::uint32_t(p[15]) << 8 | std::uint32_t(p[16]) << 16 |
         std::uint32_t(p[17]) << 24;
}

namespace {
bool granuleIsZero(const unsigned char* p) {
  for (int i = 6; i < 14; ++i)
    if (p[i] != 0) return false;
  return true;
}
}  // namespace

std::string oggHeaders(const std::string& bytes, std::uint32_t serial) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::string out;
  std::size_t pos = bytes.find("OggS");
  while (pos != std::string::npos && pos < bytes.size()) {
    const std::size_t n = oggPageLength(p + pos, bytes.size() - pos);
    if (n == 0) break;
    if (oggSerial(p + pos) == serial) {
      if (out.empty() && !oggBeginsStream(p + pos)) break;
      if (!oggBeginsStream(p + pos) && !granuleIsZero(p + pos)) return out;
      out.append(bytes, pos, n);
    }
    pos += n;
  }
  return {};  // the stream's first audio page is not in the bytes: the headers may be incomplete
}

}  // namespace audioframes
