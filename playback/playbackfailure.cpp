#include "playbackfailure.h"

#include <gst/gst.h>

#include <QtGlobal>

#include <algorithm>

namespace playback {

Failure classify(const PipelineError& error, bool connected) {
  // The source's own flow error ("streaming stopped") is the connection, not the content.
  const bool network =
      error.domain == GST_RESOURCE_ERROR || (error.fromSource && error.domain == GST_STREAM_ERROR);
  if (!network) return Failure::Unreadable;
  if (error.domain == GST_RESOURCE_ERROR && error.code == GST_RESOURCE_ERROR_NOT_FOUND)
    return Failure::NotFound;
  return connected ? Failure::Lost : Failure::NoConnection;
}

Step stepAfter(bool connected) { return connected ? Step::Reconnect : Step::NextEntry; }

int reconnectDelay(int retries, int baseMs, int maxMs) {
  qint64 delay = std::max(baseMs, 1);
  for (int i = 0; i < retries && delay < maxMs; ++i) delay *= 2;
  return static_cast<int>(std::min<qint64>(delay, maxMs));
}

}  // namespace playback
