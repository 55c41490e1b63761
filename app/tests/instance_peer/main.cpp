// A stand-in for the program in the two-process single-instance test. The first copy serves
// the name and reports each activation with its window's state; a later copy activates it
// and ends. Arguments: program folder, then "minimized" to start with a minimised window
// instead of a hidden one.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include "app/instance.h"

namespace {
void say(const char* line) {
  std::fputs(line, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() < 2) return 64;
  auto instance = makeSingleInstance(args.at(1));
  if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
    // Exactly what the program does: nothing else happens in this copy.
    instance->ActivatePreviousInstance();
    return 0;
  }
  if (!instance->listen()) {
    say("cannot listen");
    return 2;
  }

  QWidget window;
  window.resize(200, 100);
  if (args.contains(QStringLiteral("minimized"))) window.showMinimized();
  QObject::connect(instance.get(), &SingleInstance::activationRequested, &window, [&] {
    bringToFront(&window);
    say(window.isVisible() && !window.isMinimized() ? "activated shown" : "activated not shown");
    QTimer::singleShot(100, &app, &QApplication::quit);
  });
  // Never outlive a test that went wrong.
  QTimer::singleShot(15000, &app, [&] {
    say("no activation");
    app.exit(3);
  });
  say(window.isVisible() ? "listening, minimized" : "listening, hidden");
  return app.exec();
}
