#pragma once

#include <QObject>

class QWindow;

// Under a Wayland compositor without server-side decorations (weston, GNOME) Qt decorates the
// windows itself, with a maximise button whatever their flags say, and the compositor may
// maximise any window by a shortcut. A maximised window must then have exactly the size it was
// given, or the compositor ends the program; a window of one size (the main window, a message
// box) would answer with its own. Installed on the application, this lets such windows take any
// size on the compositor's side while each widget keeps its limits: a maximise or fullscreen is
// answered with its size and then handed back, and a larger size in the normal state is undone.
class LargeStateGuard final : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void follow(QWindow* window);
};
