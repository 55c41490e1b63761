#pragma once

#include "answers.h"
#include "upstream_json.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The upstream's countries as our country list names and orders them, and the list files that name them.
namespace vantor::server {

// Dutch name from our own table, the upstream's English name otherwise.
std::string countryName(const UpCountry& c, Lang lang);
// Holland first (the shipped settings point at it), then by name in that language.
std::vector<CountryRow> countryRowsFor(const std::vector<UpCountry>& countries);
std::vector<CountryRow> sortedFor(std::vector<CountryRow> rows, Lang lang);

// "NL" -> "nl"; nullopt for anything but two letters.
std::optional<std::string> twoLetterCode(std::string_view raw);
// "nl" -> "nl"; "holland" -> "nl" and the demo catalogue's other list files likewise (they stay in
// settings written offline); else nullopt.
std::optional<std::string> countryCodeFromStem(const std::string& stem);

}  // namespace vantor::server
