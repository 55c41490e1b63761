#include <QApplication>

#include "editorwindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("vantor-htmledit"));
  EditorWindow window;
  const QStringList args = QApplication::arguments();
  if (args.size() > 1) window.open(args.at(1));
  window.show();
  return QApplication::exec();
}
