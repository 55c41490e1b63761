#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>

typedef struct _GstElement GstElement;

// Receives a stream's bytes as they arrive, before decoding, on GStreamer's streaming thread.
class StreamSink {
 public:
  virtual ~StreamSink() = default;
  // The sink joins a connection (the first start, a reconnect, or a stream already playing);
  // head holds the connection's first bytes seen before this (up to 64 KiB), where an Ogg
  // stream keeps the headers without which its later pages cannot be decoded. titled: the
  // connection has named a song before the sink joined.
  virtual void streamStarted(const std::string& head, bool titled) = 0;
  virtual void streamData(const char* data, std::size_t size) = 0;
  // The station names another song from here on (a title in the stream, between the bytes).
  // The title's text is the player's to read: it comes a moment later, when this point plays.
  virtual void streamTitleMark() = 0;
};

// Hands the undecoded bytes of each pipeline to a sink: after icydemux (so without the ICY
// metadata) for an ICY stream, at decodebin's input otherwise. Installed on every new playbin
// before it starts; with no sink, past a connection's first 64 KiB, it costs one atomic read per
// buffer.
class StreamTap {
 public:
  StreamTap() = default;
  StreamTap(const StreamTap&) = delete;
  StreamTap& operator=(const StreamTap&) = delete;

  void attach(GstElement* playbin);
  // From any thread; once it returns the old sink gets no further call.
  void setSink(StreamSink* sink);
  // The current pipeline plays an HLS stream (a playlist of segments, not one stream).
  bool isHls() const { return hls_.load(); }

  // GStreamer's callbacks, public for the C signatures.
  struct Probe;

 private:
  friend struct Probe;
  void onData(const char* data, std::size_t size);
  void onTitle(const char* raw);

  mutable std::mutex mutex_;
  StreamSink* sink_ = nullptr;
  std::atomic<bool> hasSink_{false};
  std::atomic<bool> hls_{false};
  bool fresh_ = true;  // no byte of this pipeline has reached the sink yet
  std::string head_;
  std::atomic<bool> headFull_{false};
  std::string title_;  // the current pipeline's latest title, as the stream sent it
};
