#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Frame headers of the stream formats that can be cut between frames.
namespace audioframes {

enum class Format { Unknown, Mp3, Aac, Ogg };

// The length in bytes of the MPEG audio (layer I, II or III) or ADTS frame whose header starts
// at p (at least 7 bytes readable); 0 when p holds no valid header of that format.
std::size_t mpegLength(const unsigned char* p);
std::size_t adtsLength(const unsigned char* p);
std::size_t frameLength(Format format, const unsigned char* p);
// How long the frame at p plays, in microseconds; 0 when p holds no valid header.
std::int64_t frameMicros(Format format, const unsigned char* p);

// The format of a stream and where its first frame starts, judged from its first bytes: an
// Ogg page, or two frame headers in a row. Unknown while the bytes do not tell yet.
struct Detection {
  Format format = Format::Unknown;
  std::size_t start = 0;
};
Detection detect(const unsigned char* p, std::size_t size);

const char* extension(Format format);

// Ogg pages: the length of the page at p (0 while fewer than its bytes are there or p holds
// no page), whether it begins a logical stream, and its stream's serial number.
std::size_t oggPageLength(const unsigned char* p, std::size_t size);
bool oggBeginsStream(const unsigned char* p);
std::uint32_t oggSerial(const unsigned char* p);
// The header pages (from the stream's first page, up to the first page with audio) of the
// logical stream `serial` in bytes that start with that stream; empty when they are not there.
std::string oggHeaders(const std::string& bytes, std::uint32_t serial);

}  // namespace audioframes
