#include "htmledit_log.h"

Q_LOGGING_CATEGORY(lcHtmlEdit, "vantor.htmledit")
