#include "playcontrol.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QTimer>

#include <utility>

#include "app/language.h"
#include "desktop/idleinhibitor.h"
#include "desktop/networkmonitor.h"
#include "desktop/sleepmonitor.h"

void togglePlay(MediaPlayer& player) {
  switch (player.playState()) {
    case MediaPlayer::Stopped:
    case MediaPlayer::Ready:
      player.play();
      break;
    case MediaPlayer::Playing:
    case MediaPlayer::Transitioning:
      player.stop();
      break;
    default:
      break;
  }
}

QString playButtonKey(int playState) {
  switch (playState) {
    case MediaPlayer::Stopped:
    case MediaPlayer::Ready:
      return QStringLiteral("command3b");
    case MediaPlayer::Playing:
      return QStringLiteral("command3");
    case MediaPlayer::Transitioning:
      return QStringLiteral("command3c");
    default:
      return {};
  }
}

void showLanguageTexts(const Language& language, std::initializer_list<QWidget*> controls) {
  for (QWidget* control : controls) {
    const QString text = language.LangText(control->objectName().toLower());
    if (auto* label = qobject_cast<QLabel*>(control))
      label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
      button->setText(text);
  }
}

namespace {
class EnterFilter : public QObject {
 public:
  EnterFilter(QListWidget* list, std::function<void()> click)
      : QObject(list), list_(list), click_(std::move(click)) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != list_ || event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key != Qt::Key_Return && key != Qt::Key_Enter) || list_->currentRow() < 0) return false;
    click_();
    return true;
  }

 private:
  QListWidget* list_;
  std::function<void()> click_;
};
}  // namespace

void activateOnEnter(QListWidget* list, std::function<void()> click) {
  list->installEventFilter(new EnterFilter(list, std::move(click)));
}

namespace {
// Holds the inhibitor while a station plays or comes back, for at most `bound` of silence.
class SilenceBound : public QObject {
 public:
  SilenceBound(MediaPlayer& player, IdleInhibitor& inhibitor, std::chrono::milliseconds bound)
      : QObject(&inhibitor), player_(player), inhibitor_(inhibitor) {
    silence_.setSingleShot(true);
    silence_.setInterval(bound);
    connect(&silence_, &QTimer::timeout, this, [this] {
      lapsed_ = true;
      inhibitor_.release();
    });
    connect(&player, &MediaPlayer::statusChanged, this, &SilenceBound::follow);
  }

 private:
  void follow() {
    switch (player_.playState()) {
      case MediaPlayer::Playing:
        silence_.stop();
        lapsed_ = false;
        hold();
        break;
      case MediaPlayer::Transitioning:
        if (lapsed_) break;
        if (!silence_.isActive()) silence_.start();
        hold();
        break;
      default:
        silence_.stop();
        lapsed_ = false;
        inhibitor_.release();
        break;
    }
  }
  void hold() { inhibitor_.inhibit(QCoreApplication::translate("keepListening", "Playing internet radio")); }

  MediaPlayer& player_;
  IdleInhibitor& inhibitor_;
  QTimer silence_;
  bool lapsed_ = false;  // silent past the bound: nothing is held until audio flows again
};
}  // namespace

void keepListening(MediaPlayer& player, NetworkMonitor& network, SleepMonitor& sleep,
                   IdleInhibitor& inhibitor, std::chrono::milliseconds silentBound) {
  QObject::connect(&network, &NetworkMonitor::reachable, &player, &MediaPlayer::reconnectNow);
  QObject::connect(&sleep, &SleepMonitor::resumed, &player, &MediaPlayer::reopen);
  new SilenceBound(player, inhibitor, silentBound);
}
