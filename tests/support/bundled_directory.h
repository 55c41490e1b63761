#pragma once

#include <memory>
#include <string>

// The bundled directory server with its demo catalogue and demo streams, running inside the
// test on a free port of 127.0.0.1, with a database of its own.
class BundledDirectory {
 public:
  BundledDirectory();
  ~BundledDirectory();
  BundledDirectory(const BundledDirectory&) = delete;
  BundledDirectory& operator=(const BundledDirectory&) = delete;

  int port() const;
  // "http://127.0.0.1:PORT/"
  std::string base() const;

 private:
  struct Running;
  std::unique_ptr<Running> running_;
};
