#include "playback_log.h"

// Debug lines (buffering, pipeline states) only when asked for: a day of play must not fill a log.
Q_LOGGING_CATEGORY(lcPlayback, "vantor.playback", QtInfoMsg)
