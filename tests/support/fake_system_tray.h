#pragma once

#include <QIcon>
#include <QString>

#include "desktop/systemtray.h"

// A notification area that only records: whether an icon is up, with which tip, and how often
// the tray was asked to show or hide. press() etc. act as the user's mouse on the icon.
class FakeSystemTray final : public SystemTray {
 public:
  bool available = true;
  bool visible = false;
  QString tip;
  QIcon icon;
  int shows = 0;
  int hides = 0;
  QMenu* menu = nullptr;

  bool isAvailable() const override { return available; }
  void show(const QIcon& newIcon, const QString& newTip) override {
    icon = newIcon;
    tip = newTip;
    visible = true;
    ++shows;
  }
  void setMenu(QMenu* newMenu) override { menu = newMenu; }
  void hide() override {
    visible = false;
    ++hides;
  }

  void press() { Q_EMIT activated(Action::LeftPress); }
  void doubleClick() { Q_EMIT activated(Action::DoubleClick); }
  void context() { Q_EMIT activated(Action::Context); }
  void middle() { Q_EMIT activated(Action::Other); }
};
