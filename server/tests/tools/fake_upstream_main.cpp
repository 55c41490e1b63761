// fake-upstream: the test stand-in for the public station directory, for trying the server by hand.

#include "../fake_upstream.h"

#include <csignal>
#include <iostream>

int main(int argc, char** argv) {
  int port = 0;
  std::string streams = "http://127.0.0.1:8047";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--port")
      port = std::atoi(argv[i + 1]);
    else if (a == "--streams")
      streams = argv[i + 1];
  }
  if (port <= 0) {
    std::cerr << "usage: fake-upstream --port PORT [--streams http://HOST:PORT]\n";
    return 2;
  }
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  FakeUpstream upstream(streams);
  if (upstream.start(port) < 0) {
    std::cerr << "fake-upstream: cannot listen on 127.0.0.1:" << port << "\n";
    return 1;
  }
  std::cerr << "fake-upstream: serving " << upstream.base() << "\n";
  int sig = 0;
  sigwait(&stop, &sig);
  return 0;
}
