#pragma once

#include <QStringList>

#include "desktop/idleinhibitor.h"
#include "desktop/networkmonitor.h"
#include "desktop/sleepmonitor.h"

// Stand-ins for the system's network state, suspend and idle inhibition: a test says when the
// network comes back or the computer wakes up, and sees whether suspend is held off.
class FakeNetworkMonitor final : public NetworkMonitor {
 public:
  void comeBack() { Q_EMIT reachable(); }
};

class FakeSleepMonitor final : public SleepMonitor {
 public:
  void wakeUp() { Q_EMIT resumed(); }
};

class FakeIdleInhibitor final : public IdleInhibitor {
 public:
  bool held = false;
  int takes = 0;  // holds taken, not calls made
  void inhibit(const QString&) override {
    if (!held) ++takes;
    held = true;
  }
  void release() override { held = false; }
};
