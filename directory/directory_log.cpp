#include "directory_log.h"

Q_LOGGING_CATEGORY(lcDirectory, "vantor.directory")
