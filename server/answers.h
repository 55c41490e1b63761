#pragma once

#include "directory_db.h"

#include <optional>
#include <string>
#include <vector>

// What the directory sends back: tag lists for the program, small HTML pages for its browser pane.
namespace vantor::server {

enum class Lang { Nl, En };

// What the home page says about a directory fed from elsewhere.
struct SourceSummary {
    std::string origin;     // the addresses stations are fetched from
    size_t countries = 0;   // in the cached country list
    size_t stations = 0;    // cached
};

// No language, or Dutch under any spelling the program uses, gives Dutch; anything else English.
Lang LangFromParam(const std::string &lang);

// "holland.txt" -> "holland". Anything but [A-Za-z0-9_-]+ ".txt" is refused, so no path tricks.
std::optional<std::string> StemFromListFile(const std::string &fileName);

// Host header values we are willing to write back into addresses; anything else is replaced.
bool IsUsableHost(const std::string &host);

std::string StreamUrl(const StationRow &s, const std::string &host);
std::string HomepageOf(const StationRow &s, const std::string &host);

std::string CountryListAnswer(const std::vector<CountryRow> &countries, Lang lang);
std::string StationListAnswer(const std::vector<StationRow> &stations, const std::string &host);

std::string PlaylistPls(const StationRow &s, const std::string &host);
std::string PlaylistM3u(const StationRow &s, const std::string &host);

// Only a plain dotted number is echoed; anything else is treated as not sent.
std::optional<std::string> CleanVersion(const std::string &versie);

// countryCount: of the demo catalogue; upstream: set when stations come from elsewhere.
std::string HomePage(Lang lang, const std::optional<std::string> &version, size_t countryCount,
                     const SourceSummary *upstream = nullptr);
std::string AboutPage(Lang lang);
std::string ReportThanksPage(Lang lang, const std::string &stationName);
std::string ReportIncompletePage(Lang lang);
std::string ReportTooManyPage(Lang lang);
std::string UnknownPage(Lang lang);
// A whole page in the house style; body is HTML, title plain text.
std::string HtmlPage(Lang lang, const std::string &title, const std::string &body);
std::string SitePage(Lang lang, const std::vector<CountryRow> &countries,
                     const std::vector<std::vector<StationRow>> &stationsPerCountry, const std::string &host);

}  // namespace vantor::server
