#pragma once

#include "answers.h"
#include "upstream_json.h"

#include <map>
#include <string>
#include <vector>

// The browser pages of a directory fed from the public directory: its countries, and the
// stations of one country, each with the address the program would play.
namespace vantor::server {

// countries in the order of the country list; counts: cached stations by country code.
std::string upstreamCountriesPage(Lang lang, const std::vector<CountryRow>& countries,
                                  const std::map<std::string, size_t>& counts);
std::string upstreamStationsPage(Lang lang, const std::string& title, const std::vector<UpStation>& stations,
                                 const std::string& host);

}  // namespace vantor::server
