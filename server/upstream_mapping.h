#pragma once

#include "answers.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The public station directory's JSON, read into what our tag lists can carry.
namespace vantor::server {

struct UpCountry {
  std::string code;    // lower-case ISO 3166-1 alpha-2, also the list file's stem
  std::string nameEn;  // as the upstream names it
  int stations = 0;
};

struct UpStation {
  std::string uuid;
  std::string country;   // lower-case ISO code
  std::string name;      // cleaned, safe in a tag list
  std::string url;       // http(s) address the player is sent to
  std::string homepage;  // without scheme, or empty
  std::string codec;
  int bitrateKbps = 0;
  int clicks = 0;  // the upstream's recent listeners, then its votes: the order of a list
  int votes = 0;
};

// What a mirror's reply may cost before it is given up: it is outside data.
constexpr size_t kMaxJsonDepth = 16;

// nullopt when the text is not a JSON array or nests deeper than kMaxJsonDepth; read without
// building a document, so what it costs is bounded by the fields kept. Entries that cannot be
// used, or whose text is not valid Unicode (bad UTF-8, a lone surrogate), are left out.
// A large list takes a while: once *stop turns true the reading ends with nullopt.
std::optional<std::vector<UpCountry>> parseCountries(std::string_view json);
std::optional<std::vector<UpStation>> parseStations(std::string_view json,
                                                    const std::atomic<bool>* stop = nullptr);

// A display name the scanner reads back as it stands: no tags, no control characters,
// entities decoded, blanks collapsed, at most 200 bytes of valid UTF-8. May come back empty.
std::string cleanName(std::string_view raw);
// "https://www.x.nl/a" -> "www.x.nl/a"; empty when it is no plain web address.
std::string cleanHomepage(std::string_view raw);
// An http(s) address that is safe in a Location header once passed through locationSafe().
bool isPlayableAddress(std::string_view url);
// Blanks, '"', '<' and '>' percent-encoded.
std::string locationSafe(std::string_view url);
bool isStationUuid(std::string_view s);

// Dutch name from our own table, the upstream's English name otherwise.
std::string countryName(const UpCountry& c, Lang lang);
// Holland first (the shipped settings point at it), then by name in that language.
std::vector<CountryRow> countryRowsFor(const std::vector<UpCountry>& countries);
std::vector<CountryRow> sortedFor(std::vector<CountryRow> rows, Lang lang);
// Accents folded, case ignored: the order a reader expects.
std::string sortKey(std::string_view name);

// Our /play/ address of a station, which counts the listener and sends it on.
std::string playAddress(const UpStation& s, const std::string& host);
// The station list: names and home pages as cleaned, addresses through our /play/.
std::string playListAnswer(const std::vector<UpStation>& stations, const std::string& host);

// "NL" -> "nl"; nullopt for anything but two letters.
std::optional<std::string> twoLetterCode(std::string_view raw);
// "nl" -> "nl"; "holland" -> "nl" and the demo catalogue's other list files likewise (they stay in
// settings written offline); else nullopt.
std::optional<std::string> countryCodeFromStem(const std::string& stem);

}  // namespace vantor::server
