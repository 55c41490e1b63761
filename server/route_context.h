#pragma once

#include "directory_db.h"
#include "station_source.h"

#include <string>

namespace httplib {
struct Request;
}

namespace vantor::server {

// What the route groups answer from. The server owns it and outlives its routes; source and
// fallbackHost are set before it serves.
struct RouteContext {
  DirectoryDb& db;
  StationSource* source = nullptr;         // stations from elsewhere, asked before the demo catalogue
  std::string fallbackHost = "127.0.0.1";  // written into addresses when a request's Host is unusable

  // The Host this request reached us by, when it is safe to write back into addresses.
  std::string hostOf(const httplib::Request& req) const;
};

}  // namespace vantor::server
