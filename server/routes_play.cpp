#include "answers.h"
#include "routes.h"

namespace vantor::server {

void addPlayRoute(httplib::Server& h, const RouteContext& ctx) {
  h.Get(R"(/play/([^/]*))", [&ctx](const httplib::Request& req, httplib::Response& res) {
    const auto target = ctx.source ? ctx.source->playTarget(req.matches[1], req.remote_addr) : std::nullopt;
    if (!target) {
      res.status = 404;
      return;
    }
    res.set_redirect(*target, 302);
  });
}

void answerReport(const httplib::Request& req, httplib::Response& res, DirectoryDb& db,
                  ReportLimiter& reports) {
  const Lang lang = langFromParam(param(req, "lang"));
  Report r;
  r.received = utcNow();
  r.lang = param(req, "lang");
  r.url = param(req, "zenderurl");
  r.name = param(req, "zendernaam");
  r.country = param(req, "zenderland");
  r.remote = req.remote_addr;
  if (r.url.empty()) {
    res.status = 400;
    res.set_content(reportIncompletePage(lang), kHtml);
    return;
  }
  if (!reports.allow(r.remote)) {
    res.status = 429;
    res.set_content(reportTooManyPage(lang), kHtml);
    return;
  }
  db.addReport(r);  // throws on failure, so no thank-you for a lost report
  res.set_content(reportThanksPage(lang, r.name), kHtml);
}

}  // namespace vantor::server
