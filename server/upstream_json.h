#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The public station directory's JSON replies, read into what our tag lists can carry.
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

}  // namespace vantor::server
