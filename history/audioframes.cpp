#include "audioframes.h"

#include <utility>

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

std::int64_t frameMicros(StreamFormat format, const unsigned char* p) {
  static constexpr int kAdtsRates[13] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                         22050, 16000, 12000, 11025, 8000,  7350};
  if (format == StreamFormat::Aac && adtsLength(p))
    return std::int64_t(1024) * ((p[6] & 3) + 1) * 1000000 / kAdtsRates[(p[2] >> 2) & 0xF];
  if (format != StreamFormat::Mp3 || !mpegLength(p)) return 0;
  const int version = (p[1] >> 3) & 3;
  const int layer = 4 - ((p[1] >> 1) & 3);
  const int rate = kSampleRates[(p[2] >> 2) & 3] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const int samples = layer == 1 ? 384 : (layer == 3 && version != 3) ? 576 : 1152;
  return std::int64_t(samples) * 1000000 / rate;
}

std::size_t frameLength(StreamFormat format, const unsigned char* p) {
  switch (format) {
    case StreamFormat::Mp3:
      return mpegLength(p);
    case StreamFormat::Aac:
      return adtsLength(p);
    default:
      return 0;
  }
}

}  // namespace audioframes

void FrameCutter::add(const char* data, std::size_t size) {
  bytes_.erase(0, std::exchange(pos_, 0));
  bytes_.append(data, size);
}

FrameCutter::Frames FrameCutter::next() {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data());
  std::size_t start = pos_;
  std::int64_t micros = 0;
  while (pos_ + 7 <= bytes_.size()) {
    const std::size_t length = audioframes::frameLength(format_, p + pos_);
    if (length == 0) {
      // Lost the frames: the whole ones before go on, this byte is dropped.
      if (pos_ > start) return {p + start, pos_++ - start, micros};
      start = ++pos_;
      continue;
    }
    if (pos_ + length > bytes_.size()) break;
    micros += audioframes::frameMicros(format_, p + pos_);
    pos_ += length;
  }
  return {p + start, pos_ - start, micros};
}
