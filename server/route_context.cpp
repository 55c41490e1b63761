#include "route_context.h"

#include "answers.h"
#include "routes.h"
#include "text.h"

#include <httplib.h>

#include <ctime>

namespace vantor::server {

std::string RouteContext::hostOf(const httplib::Request& req) const {
  const std::string host = req.get_header_value("Host");
  return isUsableHost(host) ? host : fallbackHost;
}

std::string param(const httplib::Request& req, const char* key) {
  return req.has_param(key) ? queryValueToUtf8(req.get_param_value(key)) : std::string();
}

std::string utcNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

}  // namespace vantor::server
