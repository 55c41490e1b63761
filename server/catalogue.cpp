#include "catalogue.h"

#include "text.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace vantor::server {

namespace {

using nlohmann::json;

std::string requiredText(const json& obj, const char* field, const std::string& where) {
  if (!obj.contains(field) || !obj[field].is_string() || obj[field].get<std::string>().empty())
    throw CatalogueError(where + ": missing text \"" + field + "\"");
  return obj[field].get<std::string>();
}

// A '<' or '>' in a value would be read as a tag by the clients' scanner.
std::string tagSafe(std::string value, const char* field, const std::string& where) {
  if (value.find_first_of("<>\r\n") != std::string::npos || !isValidUtf8(value))
    throw CatalogueError(where + ": \"" + field + "\" holds a character a tag list cannot carry");
  return value;
}

StreamKind kindFromText(const std::string& s, const std::string& where) {
  static const std::pair<const char*, StreamKind> kinds[] = {
      {"mp3", StreamKind::Mp3}, {"ogg", StreamKind::Ogg},       {"pls", StreamKind::Pls},
      {"m3u", StreamKind::M3u}, {"broken", StreamKind::Broken}, {"drop", StreamKind::Drop}};
  for (const auto& [name, kind] : kinds)
    if (s == name) return kind;
  throw CatalogueError(where + ": unknown kind \"" + s + "\"");
}

}  // namespace

const char* streamKindName(StreamKind kind) {
  switch (kind) {
    case StreamKind::Mp3:
      return "mp3";
    case StreamKind::Ogg:
      return "ogg";
    case StreamKind::Pls:
      return "pls";
    case StreamKind::M3u:
      return "m3u";
    case StreamKind::Broken:
      return "broken";
    case StreamKind::Drop:
      return "drop";
  }
  return "?";
}

bool isPlainName(const std::string& s) {
  if (s.empty() || s.size() > 64) return false;
  for (char c : s) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) return false;
  }
  return true;
}

Catalogue parseCatalogue(const std::string& text) {
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::parse_error& e) {
    throw CatalogueError(std::string("not valid JSON: ") + e.what());
  }
  if (!doc.is_object() || !doc.contains("countries") || !doc["countries"].is_array() ||
      doc["countries"].empty())
    throw CatalogueError("no \"countries\" list");

  Catalogue cat;
  std::set<std::string> stems, keys;
  for (const auto& c : doc["countries"]) {
    const std::string where = "country " + std::to_string(cat.countries.size() + 1);
    if (!c.is_object()) throw CatalogueError(where + ": not an object");
    Country country;
    country.stem = requiredText(c, "stem", where);
    if (!isPlainName(country.stem))
      throw CatalogueError(where + ": stem \"" + country.stem + "\" is not a plain name");
    if (!stems.insert(asciiLower(country.stem)).second)
      throw CatalogueError(where + ": stem \"" + country.stem + "\" used twice");
    country.nameNl = tagSafe(requiredText(c, "nl", where), "nl", where);
    country.nameEn = tagSafe(requiredText(c, "en", where), "en", where);
    country.voice = c.value("voice", "en");
    if (!isPlainName(country.voice)) throw CatalogueError(where + ": voice is not a plain name");
    if (!c.contains("stations") || !c["stations"].is_array())
      throw CatalogueError(where + ": no \"stations\" list");
    for (const auto& s : c["stations"]) {
      const std::string swhere = country.stem + " station " + std::to_string(country.stations.size() + 1);
      if (!s.is_object()) throw CatalogueError(swhere + ": not an object");
      Station st;
      st.key = requiredText(s, "key", swhere);
      if (!isPlainName(st.key)) throw CatalogueError(swhere + ": key \"" + st.key + "\" is not a plain name");
      if (!keys.insert(asciiLower(st.key)).second)
        throw CatalogueError(swhere + ": key \"" + st.key + "\" used twice");
      st.name = tagSafe(requiredText(s, "name", swhere), "name", swhere);
      st.tags = tagSafe(s.value("tags", ""), "tags", swhere);
      st.kind = kindFromText(s.value("kind", "mp3"), swhere);
      st.bitrateKbps = s.value("bitrate", 64);
      if (st.bitrateKbps < 8 || st.bitrateKbps > 320) throw CatalogueError(swhere + ": bitrate out of range");
      st.homepage = tagSafe(s.value("homepage", "{host}/station/" + st.key), "homepage", swhere);
      country.stations.push_back(std::move(st));
    }
    cat.countries.push_back(std::move(country));
  }
  return cat;
}

Catalogue loadCatalogue(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw CatalogueError("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return parseCatalogue(ss.str());
}

}  // namespace vantor::server
