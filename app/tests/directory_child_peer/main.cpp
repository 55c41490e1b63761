// A stand-in for the program in the test of a directory child outliving a killed program:
// starts the server as the program does, prints its process id, then waits to be killed.
// Arguments: server executable, data folder, share folder, port file.
#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

#include "app/directorychild.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 5) return 64;
  DirectoryChild child;
  if (!child.start(args.at(1), prepareDirectoryData(args.at(2), args.at(3)), args.at(4))) return 1;
  std::printf("%lld\n", static_cast<long long>(child.processId()));
  std::fflush(stdout);
  for (;;) pause();
}
