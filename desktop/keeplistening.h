#pragma once

#include <chrono>

class IdleInhibitor;
class Listening;
class NetworkMonitor;
class SleepMonitor;

// Keeps a station going: the network coming back cuts a reconnect's wait short, waking up opens
// the station afresh, and the computer does not idle-suspend while a station plays or comes back.
// A station silent for longer than silentBound is still tried again, but no longer keeps the
// computer awake until it plays again.
void keepListening(Listening& listening, NetworkMonitor& network, SleepMonitor& sleep, IdleInhibitor& inhibitor,
                   std::chrono::milliseconds silentBound = std::chrono::minutes(5));
