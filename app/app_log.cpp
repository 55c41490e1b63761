#include "app_log.h"

Q_LOGGING_CATEGORY(lcApp, "vantor.app")
