#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace vantor::server {

// How a demo station is delivered; the odd kinds exist so the player's error paths can be tried.
enum class StreamKind { Mp3, Ogg, Pls, M3u, Broken, Drop };

struct Station {
  std::string key;  // unique, also the stream's file name stem
  std::string name;
  std::string tags;  // space-separated words the search also matches
  StreamKind kind = StreamKind::Mp3;
  int bitrateKbps = 64;
  std::string homepage;  // without scheme; "{host}" stands for this server
};

struct Country {
  std::string stem;  // list file without ".txt", also the search's "land" value
  std::string nameNl;
  std::string nameEn;
  std::string voice;  // espeak-ng voice for the announcements
  std::vector<Station> stations;
};

struct Catalogue {
  std::vector<Country> countries;
};

struct CatalogueError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Throws CatalogueError naming the first problem, so a bad edit is caught at start, not by a user.
Catalogue parseCatalogue(const std::string& json);
Catalogue loadCatalogue(const std::string& path);

const char* streamKindName(StreamKind kind);

// Letters, digits, '-' and '_' only: such a name is safe in a path and in a tag list.
bool isPlainName(const std::string& s);

}  // namespace vantor::server
