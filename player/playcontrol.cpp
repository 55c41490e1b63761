#include "playcontrol.h"

#include <QAbstractButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>

#include <utility>

#include "app/language.h"
#include "playback/listening.h"
#include "playback/mediaplayer.h"

void togglePlay(Listening& listening) {
  if (listening.isActive()) return listening.stop();
  const int state = listening.player().playState();
  if (state == MediaPlayer::Stopped || state == MediaPlayer::Ready) listening.player().play();
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
