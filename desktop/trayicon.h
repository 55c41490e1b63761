#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <memory>

#include "systemtray.h"

class QMenu;
class QWidget;

// One icon for the host window in the notification area. Mouse actions on the icon become
// Click (left press), DblClick (left double click) and RightClick (context request).
class TrayIcon final : public QObject {
  Q_OBJECT
  Q_PROPERTY(QString ScreenTip READ ScreenTip WRITE setScreenTip)
 public:
  static constexpr int kMaxTipLength = 63;

  explicit TrayIcon(std::unique_ptr<SystemTray> tray, QObject* parent = nullptr);
  ~TrayIcon() override;

  // Shows the icon with the current tip. Does nothing while the icon is already shown.
  void Add(const QIcon& icon);
  // Takes the icon away. Does nothing while no icon is shown.
  void Remove();

  // The tip is read at Add; changing it leaves a shown icon as it is.
  QString ScreenTip() const { return screenTip_; }
  void setScreenTip(const QString& tip) { screenTip_ = tip; }

  bool isShown() const { return shown_; }
  // The tip handed to the tray at the last Add: ScreenTip cut to 63 characters.
  QString shownTip() const { return shownTip_; }
  bool isSystemTrayAvailable() const { return tray_->isAvailable(); }
  // The shell shows this menu on a right click; RightClick is still raised.
  void setContextMenu(QMenu* menu) { tray_->setMenu(menu); }

  // ScreenTip cut to at most 63 characters, never in the middle of a surrogate pair.
  static QString cutTip(const QString& tip);

 Q_SIGNALS:
  void Click();
  void DblClick();
  void RightClick();

 private:
  void onActivated(SystemTray::Action action);

  std::unique_ptr<SystemTray> tray_;
  QString screenTip_ = QStringLiteral(" ");
  QString shownTip_;
  bool shown_ = false;
};

// The tray's pop-up menu IconTray: muting, stopspelen, bla (-), open, streep (-), sluit,
// each action found by its objectName. The captions are fixed English texts.
QMenu* makeIconTrayMenu(QWidget* parent);
