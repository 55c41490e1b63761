#include "laterstart.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

#include "playback/listening.h"

namespace {

// Long enough for the first paint to go out before anything else takes the thread.
constexpr std::chrono::milliseconds kAfterShown{50};

class FirstShow final : public QObject {
 public:
  FirstShow(QWidget& window, std::function<void()> start, std::chrono::milliseconds fallback)
      : QObject(&window), start_(std::move(start)) {
    window.installEventFilter(this);
    QTimer::singleShot(fallback, this, &FirstShow::run);
  }

  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Show) QTimer::singleShot(kAfterShown, this, &FirstShow::run);
    return false;
  }

 private:
  void run() {
    if (!start_) return;
    const std::function<void()> start = std::move(start_);
    start_ = nullptr;
    deleteLater();
    start();
  }

  std::function<void()> start_;
};

}  // namespace

void afterWindowShown(QWidget& window, std::function<void()> start, std::chrono::milliseconds fallback) {
  new FirstShow(window, std::move(start), fallback);
}

void whenFirstPlaying(Listening& listening, std::function<void()> start) {
  auto* context = new QObject(&listening);
  QObject::connect(&listening, &Listening::activityChanged, context, [&listening, context, start = std::move(start)] {
    if (!listening.isActive()) return;
    const std::function<void()> run = start;
    QObject::disconnect(&listening, nullptr, context, nullptr);
    context->deleteLater();
    run();
  });
}

void LaterNetworkMonitor::start(std::unique_ptr<NetworkMonitor> real) {
  real_ = std::move(real);
  connect(real_.get(), &NetworkMonitor::reachable, this, &NetworkMonitor::reachable);
}

void LaterSleepMonitor::start(std::unique_ptr<SleepMonitor> real) {
  real_ = std::move(real);
  connect(real_.get(), &SleepMonitor::resumed, this, &SleepMonitor::resumed);
}

void LaterIdleInhibitor::inhibit(const QString& reason) {
  if (!real_) real_ = make_();
  real_->inhibit(reason);
}

void LaterIdleInhibitor::release() {
  if (real_) real_->release();
}
