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
  std::string origin;    // the addresses stations are fetched from
  size_t countries = 0;  // in the cached country list
  size_t stations = 0;   // cached
};

// No language, or Dutch under any spelling the program uses, gives Dutch; anything else English.
Lang langFromParam(const std::string& lang);

// "holland.txt" -> "holland". Anything but [A-Za-z0-9_-]+ ".txt" is refused, so no path tricks.
std::optional<std::string> stemFromListFile(const std::string& fileName);

// Host header values we are willing to write back into addresses; anything else is replaced.
bool isUsableHost(const std::string& host);

std::string streamUrl(const StationRow& s, const std::string& host);
std::string homepageOf(const StationRow& s, const std::string& host);

std::string countryListAnswer(const std::vector<CountryRow>& countries, Lang lang);
std::string stationListAnswer(const std::vector<StationRow>& stations, const std::string& host);
// A station list that stands in for one the directory has not sent yet. Its first element,
// "voorlopig", tells the program to ask again later; the list scan passes it by.
std::string provisionalList(const std::string& list);

std::string playlistPls(const StationRow& s, const std::string& host);
std::string playlistM3u(const StationRow& s, const std::string& host);

// Only a plain dotted number is echoed; anything else is treated as not sent.
std::optional<std::string> cleanVersion(const std::string& versie);

// countryCount: of the demo catalogue; upstream: set when stations come from elsewhere.
std::string homePage(Lang lang, const std::optional<std::string>& version, size_t countryCount,
                     const SourceSummary* upstream = nullptr);
std::string aboutPage(Lang lang);
std::string reportThanksPage(Lang lang, const std::string& stationName);
std::string reportIncompletePage(Lang lang);
std::string reportTooManyPage(Lang lang);
std::string unknownPage(Lang lang);
// A whole page in the house style; body is HTML, title plain text.
std::string htmlPage(Lang lang, const std::string& title, const std::string& body);
std::string sitePage(Lang lang, const std::vector<CountryRow>& countries,
                     const std::vector<std::vector<StationRow>>& stationsPerCountry, const std::string& host);

}  // namespace vantor::server
