#include "playbackfailure.h"

#include <gst/gst.h>

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

Step stepAfter(bool connected, int retries, int maxReconnects) {
  if (!connected) return Step::NextEntry;
  return retries < maxReconnects ? Step::Reconnect : Step::GiveUp;
}

}  // namespace playback
