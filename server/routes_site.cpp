#include "answers.h"
#include "routes.h"
#include "text.h"

namespace vantor::server {

namespace {

// index.php: the program's browser pane asks for its pages by "wat".
void answerProgramPage(const RouteContext& ctx, ReportLimiter& reports, const httplib::Request& req,
                       httplib::Response& res) {
  const Lang lang = langFromParam(param(req, "lang"));
  const std::string wat = param(req, "wat");
  if (wat == "home") {
    const auto summary = ctx.source ? std::optional(ctx.source->summary()) : std::nullopt;
    res.set_content(homePage(lang, cleanVersion(param(req, "versie")), ctx.db.countries().size(),
                             summary ? &*summary : nullptr),
                    kHtml);
  } else if (wat == "about") {
    res.set_content(aboutPage(lang), kHtml);
  } else if (wat == "melding") {
    answerReport(req, res, ctx.db, reports);
  } else {
    res.status = 404;
  }
}

void answerSite(const RouteContext& ctx, const httplib::Request& req, httplib::Response& res) {
  const Lang lang = langFromParam(param(req, "lang"));
  if (auto upstream =
          ctx.source ? ctx.source->sitePage(lang, param(req, "land"), ctx.hostOf(req)) : std::nullopt) {
    res.set_content(*upstream, kHtml);
    return;
  }
  const auto countries = ctx.db.countries();
  std::vector<std::vector<StationRow>> stations;
  for (const auto& c : countries) stations.push_back(ctx.db.stationsOf(c.stem));
  res.set_content(sitePage(lang, countries, stations, ctx.hostOf(req)), kHtml);
}

void answerStationPage(const RouteContext& ctx, const std::string& key, const httplib::Request& req,
                       httplib::Response& res) {
  const Lang lang = langFromParam(param(req, "lang"));
  if (auto upstream = ctx.source ? ctx.source->stationPage(lang, key, ctx.hostOf(req)) : std::nullopt) {
    res.set_content(*upstream, kHtml);
    return;
  }
  const auto station = isPlainName(key) ? ctx.db.stationByKey(key) : std::nullopt;
  if (!station) {
    res.status = 404;
    return;
  }
  std::vector<std::vector<StationRow>> one{{*station}};
  std::vector<CountryRow> country;
  for (const auto& c : ctx.db.countries())
    if (asciiLower(c.stem) == asciiLower(station->country)) country.push_back(c);
  if (country.empty()) one.clear();
  res.set_content(sitePage(lang, country, one, ctx.hostOf(req)), kHtml);
}

}  // namespace

void addSiteRoutes(httplib::Server& h, const RouteContext& ctx, ReportLimiter& reports) {
  h.Get("/radio/inter/website/index.php",
        [&ctx, &reports](const httplib::Request& req, httplib::Response& res) {
          answerProgramPage(ctx, reports, req, res);
        });
  h.Get("/", [&ctx](const httplib::Request& req, httplib::Response& res) { answerSite(ctx, req, res); });
  h.Get(R"(/station/([^/]*))", [&ctx](const httplib::Request& req, httplib::Response& res) {
    answerStationPage(ctx, req.matches[1], req, res);
  });
}

}  // namespace vantor::server
