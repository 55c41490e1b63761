#pragma once

#include <QLoggingCategory>

// The window parts of the player; the engine logs under its own category.
Q_DECLARE_LOGGING_CATEGORY(lcFavourites)
Q_DECLARE_LOGGING_CATEGORY(lcPage)
