#include <gst/gst.h>
#include <gtest/gtest.h>

#include "playback/playbackfailure.h"

using playback::Failure;
using playback::PipelineError;

namespace {

TEST(PlaybackFailure, ErrorsOfThePipelineMeanWhatWentWrong) {
  struct Case {
    const char* what;
    PipelineError error;
    bool connected;
    Failure expected;
  };
  const Case cases[] = {
      {"404 before playing",
       {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, true},
       false,
       Failure::NotFound},
      {"404 on a reconnect",
       {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_NOT_FOUND, true},
       true,
       Failure::NotFound},
      {"refused", {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ, true}, false, Failure::NoConnection},
      {"read error while playing", {GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, true}, true, Failure::Lost},
      {"source stopped streaming",
       {GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, true},
       false,
       Failure::NoConnection},
      {"source stopped after playing",
       {GST_STREAM_ERROR, GST_STREAM_ERROR_FAILED, true},
       true,
       Failure::Lost},
      // The stream error code that shares its number with "not found" is not a missing stream.
      {"source: not implemented",
       {GST_STREAM_ERROR, GST_STREAM_ERROR_NOT_IMPLEMENTED, true},
       false,
       Failure::NoConnection},
      {"not audio", {GST_STREAM_ERROR, GST_STREAM_ERROR_TYPE_NOT_FOUND, false}, false, Failure::Unreadable},
      {"undecodable after playing",
       {GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, false},
       true,
       Failure::Unreadable},
      {"no decoder", {GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN, false}, false, Failure::Unreadable},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(playback::classify(c.error, c.connected), c.expected);
  }
}

TEST(PlaybackFailure, ReconnectDelaysDoubleUpToTheCeiling) {
  struct Case {
    int retries, base, max, expected;
  };
  const Case cases[] = {
      {0, 500, 30000, 500},   {1, 500, 30000, 1000},     {5, 500, 30000, 16000},
      {6, 500, 30000, 30000}, {1000, 500, 30000, 30000},  // no overflow however long the outage
      {0, 0, 30000, 1},       {3, 100, 250, 250},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "retries " << c.retries);
    EXPECT_EQ(playback::reconnectDelay(c.retries, c.base, c.max), c.expected);
  }
}

}  // namespace
