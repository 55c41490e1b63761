#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

class QMenu;

// The desktop's notification area: one icon with a tip, and what the mouse did on it.
class SystemTray : public QObject {
  Q_OBJECT
 public:
  enum class Action { LeftPress, DoubleClick, Context, Other };

  using QObject::QObject;
  ~SystemTray() override = default;

  virtual bool isAvailable() const = 0;
  virtual void show(const QIcon& icon, const QString& tip) = 0;
  virtual void hide() = 0;
  // The menu the desktop shell itself opens on a right click (works on every shell, Wayland too).
  virtual void setMenu(QMenu*) {}

 Q_SIGNALS:
  void activated(SystemTray::Action action);
};

// The desktop's own tray (QSystemTrayIcon).
std::unique_ptr<SystemTray> makeSystemTray();
