#include "trayicon.h"

#include <QAction>
#include <QMenu>

#include "desktop_log.h"

TrayIcon::TrayIcon(std::unique_ptr<SystemTray> tray, QObject* parent)
    : QObject(parent), tray_(std::move(tray)) {
  Q_ASSERT(tray_);
  connect(tray_.get(), &SystemTray::activated, this, &TrayIcon::onActivated);
}

TrayIcon::~TrayIcon() {
  // Never leave an icon behind in the panel.
  if (shown_) tray_->hide();
}

void TrayIcon::Add(const QIcon& icon) {
  // The shell refuses a second add of the same icon; nothing changes, not even the tip.
  if (shown_) return;
  shownTip_ = cutTip(screenTip_);
  tray_->show(icon, shownTip_);
  shown_ = true;
  qCDebug(lcDesktop) << "tray icon added, tip" << shownTip_;
}

void TrayIcon::Remove() {
  if (!shown_) return;
  tray_->hide();
  shown_ = false;
  qCDebug(lcDesktop) << "tray icon removed";
}

QString TrayIcon::cutTip(const QString& tip) {
  qsizetype end = 0;
  int characters = 0;
  while (end < tip.size() && characters < kMaxTipLength) {
    end +=
        (tip.at(end).isHighSurrogate() && end + 1 < tip.size() && tip.at(end + 1).isLowSurrogate()) ? 2 : 1;
    ++characters;
  }
  return tip.left(end);
}

void TrayIcon::onActivated(SystemTray::Action action) {
  // A click that was queued before Remove belongs to an icon that is gone.
  if (!shown_) return;
  switch (action) {
    case SystemTray::Action::LeftPress:
      Q_EMIT Click();
      break;
    case SystemTray::Action::DoubleClick:
      Q_EMIT DblClick();
      break;
    case SystemTray::Action::Context:
      Q_EMIT RightClick();
      break;
    case SystemTray::Action::Other:
      break;
  }
}

QMenu* makeIconTrayMenu(QWidget* parent) {
  auto* menu = new QMenu(parent);
  menu->setObjectName(QStringLiteral("IconTray"));
  const auto item = [menu](const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
  };
  const auto separator = [menu](const char* name) {
    menu->addSeparator()->setObjectName(QLatin1String(name));
  };
  item("muting", QStringLiteral("Mute On/Off"));
  item("stopspelen", QStringLiteral("Stop Playing"));
  separator("bla");
  item("open", QStringLiteral("Open"));
  separator("streep");
  item("sluit", QStringLiteral("Close"));
  return menu;
}
