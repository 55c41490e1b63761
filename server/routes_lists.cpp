#include "answer_sender.h"
#include "answers.h"
#include "routes.h"
#include "text.h"

namespace vantor::server {

namespace {

void answerCountryList(const RouteContext& ctx, const httplib::Request& req, httplib::Response& res) {
  const Lang lang = langFromParam(param(req, "lang"));
  const auto upstream = ctx.source ? ctx.source->countryList(lang) : std::nullopt;
  res.set_content(upstream ? *upstream : countryListAnswer(ctx.db.countries(), lang), kTagList);
}

void answerSearch(const RouteContext& ctx, const httplib::Request& req, httplib::Response& res) {
  const std::string land = param(req, "land");
  if (!land.empty() && !isPlainName(land)) {
    res.set_content("", kTagList);  // no such country, so no stations
    return;
  }
  if (auto upstream = ctx.source ? ctx.source->search(param(req, "zoeken"), land) : nullptr) {
    sendAnswer(res, std::move(upstream), ctx.hostOf(req), kTagList);
    return;
  }
  res.set_content(stationListAnswer(ctx.db.search(param(req, "zoeken"), land), ctx.hostOf(req)), kTagList);
}

void answerStationList(const RouteContext& ctx, const std::string& file, const httplib::Request& req,
                       httplib::Response& res) {
  const auto stem = stemFromListFile(file);
  if (!stem) {
    res.status = 404;
    return;
  }
  StationSource* const source = ctx.source;
  const bool awaited = source && source->awaits(*stem);
  auto upstream = source ? source->stationList(*stem) : nullptr;
  // A list that arrived in between is served, not passed off as demo.
  if (!upstream && awaited && !source->awaits(*stem)) upstream = source->stationList(*stem);
  if (upstream) {
    sendAnswer(res, std::move(upstream), ctx.hostOf(req), kTagList);
    return;
  }
  const bool stillAwaited = awaited && source->awaits(*stem);
  const auto stations = ctx.db.stationsOf(*stem);
  if (stations.empty() && !stillAwaited) {
    res.status = 404;
    return;
  }
  const std::string list = stationListAnswer(stations, ctx.hostOf(req));
  res.set_content(stillAwaited ? provisionalList(list) : list, kTagList);
}

}  // namespace

void addListRoutes(httplib::Server& h, const RouteContext& ctx) {
  h.Get("/radio/inter/keuze.php",
        [&ctx](const httplib::Request& req, httplib::Response& res) { answerCountryList(ctx, req, res); });

  h.Get(R"(/radio/inter/zenders/(.*))", [&ctx](const httplib::Request& req, httplib::Response& res) {
    const std::string file = req.matches[1];
    if (file == "radio-lijst-zoek.php")
      answerSearch(ctx, req, res);
    else
      answerStationList(ctx, file, req, res);
  });
}

}  // namespace vantor::server
