#include "player_log.h"

Q_LOGGING_CATEGORY(lcFavourites, "vantor.player.favourites")
Q_LOGGING_CATEGORY(lcPage, "vantor.player.page")
