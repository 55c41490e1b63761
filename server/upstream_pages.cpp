#include "upstream_pages.h"

#include "play_list.h"
#include "text.h"

namespace vantor::server {

std::string upstreamCountriesPage(Lang lang, const std::vector<CountryRow>& countries,
                                  const std::map<std::string, size_t>& counts) {
  const bool nl = lang == Lang::Nl;
  std::string body =
      nl ? "<p>De landen in deze gids, met het aantal bewaarde zenders:</p>\n<table>\n"
         : "<p>The countries in this directory, with the number of stations kept:</p>\n<table>\n";
  for (const auto& c : countries) {
    const auto n = counts.find(c.stem);
    body += "<tr><td><a href=\"/?land=" + htmlEscape(c.stem) + (nl ? "" : "&amp;lang=en") + "\">" +
            htmlEscape(nl ? c.nameNl : c.nameEn) + "</a></td><td>" +
            (n == counts.end() ? std::string("-") : std::to_string(n->second)) + "</td></tr>\n";
  }
  body += "</table>\n";
  return htmlPage(lang, nl ? "Vantor zendergids" : "Vantor station directory", body);
}

std::string upstreamStationsPage(Lang lang, const std::string& title, const std::vector<UpStation>& stations,
                                 const std::string& host) {
  std::string body = "<table>\n";
  for (const auto& s : stations) {
    const std::string url = playAddress(s, host);
    const std::string about =
        s.codec + (s.bitrateKbps > 0 ? " " + std::to_string(s.bitrateKbps) + " kbit/s" : "");
    body += "<tr><td>" + htmlEscape(s.name) + "</td><td><a href=\"" + htmlEscape(url) + "\">" +
            htmlEscape(url) + "</a></td><td>" + htmlEscape(about) + "</td><td>" + htmlEscape(s.homepage) +
            "</td></tr>\n";
  }
  body += "</table>\n";
  return htmlPage(lang, title, body);
}

}  // namespace vantor::server
