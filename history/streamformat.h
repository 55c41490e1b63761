#pragma once

#include <cstddef>
#include <string>

// The stream formats a recording knows how to write.
enum class StreamFormat { Unknown, Mp3, Aac, Ogg };

namespace streamformat {

// The format of a stream and where its first frame starts, judged from its first bytes: an
// Ogg page, or two frame headers in a row. Unknown while the bytes do not tell yet.
struct Detection {
  StreamFormat format = StreamFormat::Unknown;
  std::size_t start = 0;
};
Detection detect(const unsigned char* p, std::size_t size);

const char* extension(StreamFormat format);

}  // namespace streamformat

// Gathers a stream's first bytes until they tell its format.
class FormatProbe {
 public:
  // Unknown while the bytes so far do not tell the format yet.
  StreamFormat add(const char* data, std::size_t size);
  // More bytes than any stream of a known format starts with: not audio that can be cut.
  bool gaveUp() const;
  // Once the format is known: the bytes from its first frame or page on. The probe starts over.
  std::string take();

 private:
  std::string bytes_;
  std::size_t start_ = 0;
};
