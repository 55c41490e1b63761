#pragma once

#include <QString>

#include <chrono>
#include <functional>
#include <memory>

#include "idleinhibitor.h"
#include "networkmonitor.h"
#include "sleepmonitor.h"

class Listening;
class QWidget;

// The window comes first: what the desktop offers around it starts afterwards or at its
// first need, so the first seconds have no more threads and bus connections than they need.

// Runs start once, shortly after the window is first shown, or after fallback when it stays
// hidden (a start in the tray).
void afterWindowShown(QWidget& window, std::function<void()> start, std::chrono::milliseconds fallback);

// Runs start once, when a station first plays or is on its way.
void whenFirstPlaying(Listening& listening, std::function<void()> start);

// Stand-ins that the listening rules can be wired to from the start; the real services are
// handed in (or made) when first needed.
class LaterNetworkMonitor final : public NetworkMonitor {
 public:
  void start(std::unique_ptr<NetworkMonitor> real);

 private:
  std::unique_ptr<NetworkMonitor> real_;
};

class LaterSleepMonitor final : public SleepMonitor {
 public:
  void start(std::unique_ptr<SleepMonitor> real);

 private:
  std::unique_ptr<SleepMonitor> real_;
};

class LaterIdleInhibitor final : public IdleInhibitor {
 public:
  explicit LaterIdleInhibitor(std::function<std::unique_ptr<IdleInhibitor>()> make) : make_(std::move(make)) {}
  void inhibit(const QString& reason) override;
  void release() override;

 private:
  std::function<std::unique_ptr<IdleInhibitor>()> make_;
  std::unique_ptr<IdleInhibitor> real_;
};
