// A stand-in for the program in the test of a directory child outliving a killed program:
// starts the server as the program does, prints its process id, then waits to be killed.
// Arguments: server executable, port, data folder, share folder.
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

#include "app/directorychild.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 5) return 64;
  const quint16 port = quint16(args.at(2).toUInt());
  const QString listen = QStringLiteral("127.0.0.1:") + args.at(2);
  DirectoryChild child;
  if (child.start(args.at(1), prepareDirectoryData(listen, args.at(3), args.at(4)),
                  QStringLiteral("127.0.0.1"), port) != DirectoryChild::Result::Started)
    return 1;
  std::printf("%lld\n", static_cast<long long>(child.processId()));
  std::fflush(stdout);
  for (;;) pause();
}
