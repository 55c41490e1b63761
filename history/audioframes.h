#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "streamformat.h"

// Frame headers of the stream formats that can be cut between frames: MPEG audio and ADTS.
namespace audioframes {

// The length in bytes of the MPEG audio (layer I, II or III) or ADTS frame whose header starts
// at p (at least 7 bytes readable); 0 when p holds no valid header of that format.
std::size_t mpegLength(const unsigned char* p);
std::size_t adtsLength(const unsigned char* p);
std::size_t frameLength(StreamFormat format, const unsigned char* p);
// How long the frame at p plays, in microseconds; 0 when p holds no valid header.
std::int64_t frameMicros(StreamFormat format, const unsigned char* p);

}  // namespace audioframes

// Cuts an MP3 or AAC stream into stretches of whole frames, so that whatever is written ends
// between two frames. A damaged stretch (no header where one belongs) is dropped up to the
// next header.
class FrameCutter {
 public:
  struct Frames {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::int64_t micros = 0;  // how long they play
  };

  explicit FrameCutter(StreamFormat format = StreamFormat::Unknown) : format_(format) {}

  void add(const char* data, std::size_t size);
  // The next stretch of whole frames, valid until the next add; size 0 when the bytes held end
  // inside a frame.
  Frames next();

 private:
  StreamFormat format_;
  std::string bytes_;
  std::size_t pos_ = 0;  // bytes before it are handed on
};
