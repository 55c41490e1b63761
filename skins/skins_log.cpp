#include "skins_log.h"

Q_LOGGING_CATEGORY(lcSkins, "vantor.skins")
