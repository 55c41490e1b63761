// Writes the program's icon into a hicolor icon theme folder: make_icon <theme folder> <name>.
// The pictures are the ones the running program draws for its window and tray icon.
#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QTextStream>

#include "player/appicon.h"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QTextStream err(stderr);
  if (argc != 3) {
    err << "usage: make_icon <theme folder> <icon name>\n";
    return 2;
  }
  const QString theme = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  const QIcon icon = makeAppIcon();
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
    const QString file = folder + u'/' + name + QStringLiteral(".png");
    const QPixmap picture = icon.pixmap(QSize(size, size));
    if (!QDir().mkpath(folder) || picture.size() != QSize(size, size) || !picture.save(file, "PNG")) {
      err << "make_icon: cannot write " << file << "\n";
      return 1;
    }
  }
  return 0;
}
