#include "answers.h"
#include "routes.h"

namespace vantor::server {

std::string logSafe(const std::string& s) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F || c == '\\') {
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 0xF];
    } else {
      out += ch;
    }
  }
  return out;
}

void addRequestGuards(httplib::Server& h, const ServerLimits& limits,
                      std::function<void(const std::string&)> log) {
  h.set_pre_routing_handler([limits](const httplib::Request& req, httplib::Response& res) {
    if (req.headers.size() > limits.maxHeaders) {
      res.status = 431;
      res.set_content("too many headers\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    }
    if (req.params.size() > limits.maxQueryParams) {
      res.status = 414;
      res.set_content("too many query values\n", "text/plain");
      return httplib::Server::HandlerResponse::Handled;
    }
    for (const auto& [key, value] : req.params) {
      if (key.size() > 64 || value.size() > limits.maxQueryValue) {
        res.status = 414;
        res.set_content("query value too long\n", "text/plain");
        return httplib::Server::HandlerResponse::Handled;
      }
    }
    return httplib::Server::HandlerResponse::Unhandled;
  });

  h.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
    if (res.body.empty() && !res.content_provider_)
      res.set_content(unknownPage(langFromParam(param(req, "lang"))), kHtml);
  });

  h.set_exception_handler([log](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
    std::string what = "unknown error";
    try {
      std::rethrow_exception(ep);
    } catch (const std::exception& e) {
      what = e.what();
    } catch (...) {
    }
    log("vantor-directory: error on " + logSafe(req.path) + ": " + logSafe(what));
    res.status = 500;
    res.set_content("internal error\n", "text/plain");
  });

  h.set_logger(
      [log, maxTarget = limits.maxLoggedTarget](const httplib::Request& req, const httplib::Response& res) {
        std::string target = req.target;
        if (target.size() > maxTarget)
          target = target.substr(0, maxTarget) + "...(" + std::to_string(req.target.size()) + " bytes)";
        log(utcNow() + " " + req.remote_addr + " " + logSafe(req.method) + " " + logSafe(target) + " " +
            std::to_string(res.status) + " " +
            (res.content_provider_ ? (res.content_length_ ? std::to_string(res.content_length_) : "stream")
                                   : std::to_string(res.body.size())));
      });
}

}  // namespace vantor::server
