#include "upstream_mapping.h"

#include "text.h"

#include <algorithm>
#include <map>

namespace vantor::server {

namespace {

constexpr size_t kMaxName = 200;
constexpr size_t kMaxAddress = 2048;

const std::map<std::string, const char*>& dutchNames() {
  static const std::map<std::string, const char*> names{{"ad", "Andorra"},
                                                        {"ae", "Verenigde Arabische Emiraten"},
                                                        {"al", "Albanië"},
                                                        {"am", "Armenië"},
                                                        {"ar", "Argentinië"},
                                                        {"at", "Oostenrijk"},
                                                        {"au", "Australië"},
                                                        {"aw", "Aruba"},
                                                        {"ba", "Bosnië en Herzegovina"},
                                                        {"be", "België"},
                                                        {"bg", "Bulgarije"},
                                                        {"br", "Brazilië"},
                                                        {"by", "Wit-Rusland"},
                                                        {"ca", "Canada"},
                                                        {"ch", "Zwitserland"},
                                                        {"cl", "Chili"},
                                                        {"cn", "China"},
                                                        {"co", "Colombia"},
                                                        {"cu", "Cuba"},
                                                        {"cw", "Curaçao"},
                                                        {"cy", "Cyprus"},
                                                        {"cz", "Tsjechië"},
                                                        {"de", "Duitsland"},
                                                        {"dk", "Denemarken"},
                                                        {"dz", "Algerije"},
                                                        {"ee", "Estland"},
                                                        {"eg", "Egypte"},
                                                        {"es", "Spanje"},
                                                        {"fi", "Finland"},
                                                        {"fr", "Frankrijk"},
                                                        {"gb", "Verenigd Koninkrijk"},
                                                        {"ge", "Georgië"},
                                                        {"gr", "Griekenland"},
                                                        {"hr", "Kroatië"},
                                                        {"hu", "Hongarije"},
                                                        {"id", "Indonesië"},
                                                        {"ie", "Ierland"},
                                                        {"il", "Israël"},
                                                        {"in", "India"},
                                                        {"iq", "Irak"},
                                                        {"ir", "Iran"},
                                                        {"is", "IJsland"},
                                                        {"it", "Italië"},
                                                        {"jp", "Japan"},
                                                        {"ke", "Kenia"},
                                                        {"kr", "Zuid-Korea"},
                                                        {"lt", "Litouwen"},
                                                        {"lu", "Luxemburg"},
                                                        {"lv", "Letland"},
                                                        {"ma", "Marokko"},
                                                        {"md", "Moldavië"},
                                                        {"me", "Montenegro"},
                                                        {"mk", "Noord-Macedonië"},
                                                        {"mt", "Malta"},
                                                        {"mx", "Mexico"},
                                                        {"ng", "Nigeria"},
                                                        {"nl", "Holland"},
                                                        {"no", "Noorwegen"},
                                                        {"nz", "Nieuw-Zeeland"},
                                                        {"pe", "Peru"},
                                                        {"ph", "Filipijnen"},
                                                        {"pk", "Pakistan"},
                                                        {"pl", "Polen"},
                                                        {"pt", "Portugal"},
                                                        {"ro", "Roemenië"},
                                                        {"rs", "Servië"},
                                                        {"ru", "Rusland"},
                                                        {"sa", "Saoedi-Arabië"},
                                                        {"se", "Zweden"},
                                                        {"si", "Slovenië"},
                                                        {"sk", "Slowakije"},
                                                        {"sr", "Suriname"},
                                                        {"th", "Thailand"},
                                                        {"tn", "Tunesië"},
                                                        {"tr", "Turkije"},
                                                        {"ua", "Oekraïne"},
                                                        {"us", "Verenigde Staten"},
                                                        {"ve", "Venezuela"},
                                                        {"za", "Zuid-Afrika"}};
  return names;
}

std::string decodeEntities(std::string_view s) {
  static const std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}, {"&apos;", '\''}};
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    bool done = false;
    if (s[i] == '&') {
      for (const auto& [entity, ch] : kEntities) {
        if (s.substr(i, entity.size()) == entity) {
          out += ch;
          i += entity.size() - 1;
          done = true;
          break;
        }
      }
    }
    if (!done) out += s[i];
  }
  return out;
}

// Cut at most max bytes without splitting a UTF-8 sequence.
void cutUtf8(std::string& s, size_t max) {
  if (s.size() <= max) return;
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  s.resize(end);
}

}  // namespace

std::optional<std::string> twoLetterCode(std::string_view raw) {
  if (raw.size() != 2) return std::nullopt;
  std::string code = asciiLower(raw);
  for (char c : code)
    if (c < 'a' || c > 'z') return std::nullopt;
  return code;
}

std::string cleanName(std::string_view raw) {
  std::string text = decodeEntities(queryValueToUtf8(raw));
  // Anything tag-like goes; a lone bracket is kept as a look-alike so "Radio <3" still reads.
  std::string stripped;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      const size_t close = text.find_first_of("<>", i + 1);
      if (close != std::string::npos && text[close] == '>') {
        stripped += ' ';
        i = close;
        continue;
      }
      stripped += "\xE2\x80\xB9";  // ‹
    } else if (text[i] == '>') {
      stripped += "\xE2\x80\xBA";  // ›
    } else {
      stripped += text[i];
    }
  }
  std::string out;
  for (char ch : stripped) {
    const auto c = static_cast<unsigned char>(ch);
    const bool blank = c < 0x20 || c == 0x7F || c == ' ';
    if (blank) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += ch;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  cutUtf8(out, kMaxName);
  return out;
}

std::string cleanHomepage(std::string_view raw) {
  std::string s(raw);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  const std::string lower = asciiLower(s.substr(0, 8));
  if (lower.rfind("https://", 0) == 0)
    s.erase(0, 8);
  else if (lower.rfind("http://", 0) == 0)
    s.erase(0, 7);
  else
    return {};
  if (s.empty() || s.size() > kMaxAddress || !isValidUtf8(s)) return {};
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || ch == '<' || ch == '>' || ch == '"') return {};
  }
  return s;
}

bool isPlayableAddress(std::string_view url) {
  while (!url.empty() && url.back() == ' ') url.remove_suffix(1);
  const std::string lower = asciiLower(url.substr(0, 8));
  const size_t schemeEnd = lower.rfind("https://", 0) == 0 ? 8 : lower.rfind("http://", 0) == 0 ? 7 : 0;
  if (schemeEnd == 0 || url.size() <= schemeEnd || url.size() > kMaxAddress) return false;
  for (char ch : url) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c >= 0x7F)  // Location wants plain ASCII; blanks are encoded
      return false;
  }
  return url[schemeEnd] != '/' && url[schemeEnd] != ' ';
}

std::string locationSafe(std::string_view url) {
  while (!url.empty() && url.back() == ' ') url.remove_suffix(1);
  std::string out;
  for (char ch : url) {
    switch (ch) {
      case ' ':
        out += "%20";
        break;
      case '"':
        out += "%22";
        break;
      case '<':
        out += "%3C";
        break;
      case '>':
        out += "%3E";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

bool isStationUuid(std::string_view s) {
  if (s.empty() || s.size() > 64) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == '-';
  });
}

std::string countryName(const UpCountry& c, Lang lang) {
  if (lang == Lang::Nl) {
    const auto it = dutchNames().find(c.code);
    if (it != dutchNames().end()) return it->second;
  }
  if (c.code == "nl") return "The Netherlands";
  return c.nameEn;
}

std::vector<CountryRow> countryRowsFor(const std::vector<UpCountry>& countries) {
  std::vector<CountryRow> rows;
  for (const auto& c : countries)
    rows.push_back({c.code, countryName(c, Lang::Nl), countryName(c, Lang::En)});
  return rows;
}

std::vector<CountryRow> sortedFor(std::vector<CountryRow> rows, Lang lang) {
  const auto name = [lang](const CountryRow& r) -> const std::string& {
    return lang == Lang::Nl ? r.nameNl : r.nameEn;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const CountryRow& a, const CountryRow& b) {
    if ((a.stem == "nl") != (b.stem == "nl")) return a.stem == "nl";
    return sortKey(name(a)) < sortKey(name(b));
  });
  return rows;
}

std::string sortKey(std::string_view name) {
  // Latin-1 letters U+00C0..U+00FF folded to their base letter; '-' marks no letter.
  static const char kBase[] =
      "aaaaaaaceeeeiiiidnooooo-ouuuuyts"
      "aaaaaaaceeeeiiiidnooooo-ouuuuyty";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<unsigned char>(name[i]);
    if ((c == 0xC3) && i + 1 < name.size()) {
      const auto n = static_cast<unsigned char>(name[i + 1]);
      const unsigned cp = 0xC0 + (n & 0x3F);
      if (n >= 0x80 && n <= 0xBF && kBase[cp - 0xC0] != '-') {
        out += kBase[cp - 0xC0];
        ++i;
        continue;
      }
    }
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : name[i];
  }
  return out;
}

std::string playAddress(const UpStation& s, const std::string& host) {
  return "http://" + host + "/play/" + s.uuid;
}

std::string playListAnswer(const std::vector<UpStation>& stations, const std::string& host) {
  std::string out;
  for (const auto& s : stations) {
    out += "<naam>" + s.name + "</naam>\n";
    out += "<url>" + playAddress(s, host) + "</url>\n";
    out += "<homepage>" + s.homepage + "</homepage>\n";
  }
  return out;
}

std::optional<std::string> countryCodeFromStem(const std::string& stem) {
  // The demo catalogue's list files: chosen while offline, they follow the directory once it answers.
  static const std::map<std::string, std::string> demo{{"holland", "nl"},   {"belgie", "be"},
                                                       {"duitsland", "de"}, {"frankrijk", "fr"},
                                                       {"engeland", "gb"},  {"spanje", "es"}};
  const auto it = demo.find(asciiLower(stem));
  if (it != demo.end()) return it->second;
  return twoLetterCode(stem);
}

}  // namespace vantor::server
