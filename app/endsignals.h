#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread, so the program can save
// its state and quit instead of dying. The handler only writes the signal's number to a pipe
// (all a signal handler may safely do); the notifier reads it in the event loop.
// One instance at a time; while it lives the three signals no longer end the process.
class EndSignals final : public QObject {
  Q_OBJECT
 public:
  explicit EndSignals(QObject* parent = nullptr);
  ~EndSignals() override;

  bool isActive() const { return notifier_ != nullptr; }

 Q_SIGNALS:
  void received(int signal);

 private:
  void readPipe();

  QSocketNotifier* notifier_ = nullptr;
};
