#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <initializer_list>

#include "mediaplayer.h"

class IdleInhibitor;
class Language;
class NetworkMonitor;
class SleepMonitor;
class QListWidget;
class QWidget;

// The play button: starts a stopped or ready player, stops one that plays or connects;
// other states (paused, undefined) leave it alone.
void togglePlay(MediaPlayer& player);

// The language key of the play button's caption in a state; empty when it keeps its caption.
QString playButtonKey(int playState);

// Each control shows the language text named by its object name in lower case
// ("Label12" shows "label12"). Labels and buttons.
void showLanguageTexts(const Language& language, std::initializer_list<QWidget*> controls);

// Return or Enter on a list with a current row acts as a click on it.
void activateOnEnter(QListWidget* list, std::function<void()> click);

// Keeps a station going: the network coming back cuts a reconnect's wait short, waking up opens
// the station afresh, and the computer does not idle-suspend while a station plays or comes back.
// A station silent for longer than silentBound is still tried again, but no longer keeps the
// computer awake until it plays again.
void keepListening(MediaPlayer& player, NetworkMonitor& network, SleepMonitor& sleep,
                   IdleInhibitor& inhibitor, std::chrono::milliseconds silentBound = std::chrono::minutes(5));
