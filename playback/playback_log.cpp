#include "playback_log.h"

Q_LOGGING_CATEGORY(lcPlayback, "vantor.playback")
