#pragma once

#include "report_limiter.h"
#include "route_context.h"
#include "server_limits.h"

#include <httplib.h>

#include <functional>
#include <string>

// The directory's routes, one group per file: routes_guards.cpp, routes_lists.cpp,
// routes_site.cpp, routes_play.cpp and routes_demo_stream.cpp.
namespace vantor::server {

inline constexpr const char* kTagList = "text/plain; charset=utf-8";
inline constexpr const char* kHtml = "text/html; charset=utf-8";

// A query value as UTF-8; empty when it was not sent.
std::string param(const httplib::Request& req, const char* key);
std::string utcNow();

// A log line with control characters shown as \xNN, so a request cannot forge log lines.
std::string logSafe(const std::string& s);

// Before and around every route: request limits, the page for what is unknown, errors caught
// and logged, one log line per answer.
void addRequestGuards(httplib::Server& h, const ServerLimits& limits,
                      std::function<void(const std::string&)> log);

// The program's tag lists: countries, a country's stations, search.
void addListRoutes(httplib::Server& h, const RouteContext& ctx);

// The pages of the program's browser pane and the station site; reports are handed to answerReport().
void addSiteRoutes(httplib::Server& h, const RouteContext& ctx, ReportLimiter& reports);

// Stations from elsewhere, counted there before the listener is sent on.
void addPlayRoute(httplib::Server& h, const RouteContext& ctx);
// A listener's report of a station, stored unless incomplete or one too many from its address.
void answerReport(const httplib::Request& req, httplib::Response& res, DirectoryDb& db,
                  ReportLimiter& reports);

}  // namespace vantor::server
