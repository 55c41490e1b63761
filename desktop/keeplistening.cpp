#include "keeplistening.h"

#include <QCoreApplication>
#include <QTimer>

#include "idleinhibitor.h"
#include "networkmonitor.h"
#include "playback/listening.h"
#include "playback/mediaplayer.h"
#include "sleepmonitor.h"

namespace {
// Holds the inhibitor while a station plays or comes back, for at most `bound` of silence.
class SilenceBound : public QObject {
 public:
  SilenceBound(Listening& listening, IdleInhibitor& inhibitor, std::chrono::milliseconds bound)
      : QObject(&inhibitor), inhibitor_(inhibitor) {
    silence_.setSingleShot(true);
    silence_.setInterval(bound);
    connect(&silence_, &QTimer::timeout, this, [this] {
      lapsed_ = true;
      inhibitor_.release();
    });
    connect(&listening, &Listening::activityChanged, this, &SilenceBound::follow);
  }

 private:
  void follow(Listening::Activity activity) {
    switch (activity) {
      case Listening::Activity::Playing:
        silence_.stop();
        lapsed_ = false;
        hold();
        break;
      case Listening::Activity::Starting:
      case Listening::Activity::Reconnecting:
        if (lapsed_) break;
        if (!silence_.isActive()) silence_.start();
        hold();
        break;
      case Listening::Activity::Stopped:
        silence_.stop();
        lapsed_ = false;
        inhibitor_.release();
        break;
    }
  }
  void hold() { inhibitor_.inhibit(QCoreApplication::translate("keepListening", "Playing internet radio")); }

  IdleInhibitor& inhibitor_;
  QTimer silence_;
  bool lapsed_ = false;  // silent past the bound: nothing is held until audio flows again
};
}  // namespace

void keepListening(Listening& listening, NetworkMonitor& network, SleepMonitor& sleep, IdleInhibitor& inhibitor,
                   std::chrono::milliseconds silentBound) {
  MediaPlayer& player = listening.player();
  QObject::connect(&network, &NetworkMonitor::reachable, &player, &MediaPlayer::reconnectNow);
  QObject::connect(&sleep, &SleepMonitor::resumed, &player, &MediaPlayer::reopen);
  new SilenceBound(listening, inhibitor, silentBound);
}
