#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

// Lets one copy of the program run per user and program folder. A copy that starts while
// another runs asks that one to bring its window forward, then ends:
//
//   auto instance = makeSingleInstance(folder);
//   if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
//     instance->ActivatePreviousInstance();
//     return 0;
//   }
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SingleInstance() override = default;

  // True when a running copy answers on this folder's name.
  virtual bool isAnotherRunning() = 0;
  // Asks the running copy to restore, raise, activate and show its window. True once that
  // copy has confirmed the request; false when no copy answered.
  virtual bool ActivatePreviousInstance() = 0;
  // Makes this copy the running one. A name left behind by a copy that crashed is taken over;
  // false when a live copy holds the name (it won a race) or the name cannot be served.
  virtual bool listen() = 0;

 Q_SIGNALS:
  // A later copy wants this copy's window in front.
  void activationRequested();
};

// The local socket implementation.
std::unique_ptr<SingleInstance> makeSingleInstance(const QString& programFolder);

// The socket address for a program folder: per user and per folder, the same for any spelling
// of the folder's path.
QString singleInstanceServerName(const QString& programFolder);

// Restores the window if minimised (also when hidden), shows it, raises it and activates it.
void bringToFront(QWidget* window);
