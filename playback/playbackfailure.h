#pragma once

#include <QtGlobal>

// What went wrong with a stream, and what the player does about it.
namespace playback {

enum class Failure {
  NotFound,      // "Stream not found": the server has no such address
  Unreadable,    // "Cannot play this stream": not audio, not an address we open, an empty playlist
  NoConnection,  // "Cannot connect to the stream": it never started
  Lost,          // "Connection lost": it played, then dropped for good
};

enum class Step {
  NextEntry,  // not played yet: try the next address of the playlist (none left: give up)
  Reconnect,  // it has played: a drop, connect again after a delay, for as long as it takes
};

// An error message of the pipeline, reduced to what decides its meaning.
struct PipelineError {
  quint32 domain = 0;  // a GQuark: the session side stays free of GLib
  int code = 0;
  bool fromSource = false;  // posted by the element that reads the network
};

// The failure an error of the pipeline stands for; `connected`: the stream has played.
Failure classify(const PipelineError& error, bool connected);

// What follows a failure of a stream that has (`connected`) or has not yet played.
Step stepAfter(bool connected);

// The wait before reconnect number `retries` + 1: `baseMs` doubled for each try made since the
// stream last played steadily, never more than `maxMs`.
int reconnectDelay(int retries, int baseMs, int maxMs);

}  // namespace playback
