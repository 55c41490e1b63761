#include "stream_framing.h"

#include <algorithm>
#include <array>

namespace vantor::server {

std::string icyMetadataBlock(std::string_view title) {
  if (title.empty()) return std::string(1, '\0');
  std::string text = "StreamTitle='";
  for (char c : title) text += (c == '\'' || c == '\0') ? ' ' : c;  // no escape exists in this format
  text += "';";
  constexpr size_t kMax = 255 * 16;
  if (text.size() > kMax) text = text.substr(0, kMax - 2) + "';";
  const size_t units = (text.size() + 15) / 16;
  text.resize(units * 16, '\0');
  return std::string(1, static_cast<char>(units)) + text;
}

void IcyFramer::frame(std::string_view audio, const std::string& title, std::string& out) {
  while (!audio.empty()) {
    const size_t n = std::min(untilMeta_, audio.size());
    out.append(audio.substr(0, n));
    audio.remove_prefix(n);
    untilMeta_ -= n;
    if (untilMeta_ == 0) {
      if (title != lastTitle_) {
        out += icyMetadataBlock(title);
        lastTitle_ = title;
      } else {
        out += '\0';
      }
      untilMeta_ = metaint_;
    }
  }
}

namespace {

const std::array<uint32_t, 256>& crcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : (r << 1);
      t[i] = r;
    }
    return t;
  }();
  return table;
}

uint32_t readLe32(std::string_view s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}

uint64_t readLe64(std::string_view s, size_t at) {
  uint64_t v = 0;
  for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + static_cast<size_t>(i)]);
  return v;
}

void writeLe32(std::string& s, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// CRC of a page with its own CRC field counted as zero.
uint32_t pageCrc(std::string_view page) {
  std::string copy(page);
  copy[22] = copy[23] = copy[24] = copy[25] = 0;
  return oggCrc(copy);
}

constexpr size_t kHeader = 27;

}  // namespace

uint32_t oggCrc(std::string_view data) {
  const auto& t = crcTable();
  uint32_t crc = 0;
  for (char c : data) crc = (crc << 8) ^ t[((crc >> 24) ^ static_cast<uint8_t>(c)) & 0xFF];
  return crc;
}

std::vector<OggPage> splitOggPages(std::string_view file) {
  std::vector<OggPage> pages;
  size_t at = 0;
  while (at < file.size()) {
    if (file.size() - at < kHeader || file.substr(at, 4) != "OggS")
      throw OggError("no Ogg page at byte " + std::to_string(at));
    const size_t segments = static_cast<uint8_t>(file[at + 26]);
    if (file.size() - at < kHeader + segments)
      throw OggError("cut-off page header at byte " + std::to_string(at));
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += static_cast<uint8_t>(file[at + kHeader + i]);
    const size_t size = kHeader + segments + body;
    if (file.size() - at < size) throw OggError("cut-off page at byte " + std::to_string(at));
    const std::string_view page = file.substr(at, size);
    if (pageCrc(page) != readLe32(page, 22))
      throw OggError("bad checksum in page at byte " + std::to_string(at));
    pages.push_back({at, size});
    at += size;
  }
  if (pages.empty()) throw OggError("empty file");
  return pages;
}

std::string oggWithSerialOffset(std::string_view file, const std::vector<OggPage>& pages, uint32_t delta) {
  std::string out(file);
  for (const auto& p : pages) {
    writeLe32(out, p.offset + 14, readLe32(out, p.offset + 14) + delta);
    writeLe32(out, p.offset + 22, 0);
    writeLe32(out, p.offset + 22, oggCrc(std::string_view(out).substr(p.offset, p.size)));
  }
  return out;
}

double oggVorbisSeconds(std::string_view file, const std::vector<OggPage>& pages) {
  const auto& first = pages.front();
  const size_t segments = static_cast<uint8_t>(file[first.offset + 26]);
  const size_t packet = first.offset + kHeader + segments;
  // Identification packet: type 1, "vorbis", version (4), channels (1), sample rate (4).
  if (first.offset + first.size < packet + 16 || file.substr(packet, 7) != std::string_view("\x01vorbis", 7))
    throw OggError("not a Vorbis stream");
  const uint32_t rate = readLe32(file, packet + 12);
  const uint64_t granule = readLe64(file, pages.back().offset + 6);
  if (rate == 0 || granule == 0 || granule == ~uint64_t{0}) throw OggError("no usable length");
  return static_cast<double>(granule) / rate;
}

}  // namespace vantor::server
