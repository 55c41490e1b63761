#include "upstream_mapping.h"

#include "text.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

namespace vantor::server {

namespace {

using nlohmann::json;

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

// One object of a reply: the fields asked for, numbers as decimal text.
using Record = std::map<std::string, std::string>;

const std::string kReplacement = "\xEF\xBF\xBD";

std::string stringField(const Record& r, const char* field) {
  const auto it = r.find(field);
  return it != r.end() ? it->second : std::string();
}

// The upstream writes some numbers as strings.
int numberField(const Record& r, const char* field) {
  const std::string s = stringField(r, field);
  if (s.empty() || s.size() > 7 ||
      !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return std::stoi(s);
}

std::optional<std::string> twoLetterCode(std::string_view raw) {
  if (raw.size() != 2) return std::nullopt;
  std::string code = asciiLower(raw);
  for (char c : code)
    if (c < 'a' || c > 'z') return std::nullopt;
  return code;
}

int hex4(std::string_view s) {
  if (s.size() < 4) return -1;
  int v = 0;
  for (char c : s.substr(0, 4)) {
    const int d = c >= '0' && c <= '9'   ? c - '0'
                  : c >= 'a' && c <= 'f' ? c - 'a' + 10
                  : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                         : -1;
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v;
}

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : 0u; };
  const auto cont = [&](size_t k) { return (b(k) & 0xC0) == 0x80; };
  const unsigned c = b(0);
  if (c >= 0xC2 && c <= 0xDF) return cont(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED ? 0x9F : 0xBF;
    return b(1) >= lo && b(1) <= hi && cont(2) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    return b(1) >= lo && b(1) <= hi && cont(2) && cont(3) ? 4 : 0;
  }
  return 0;
}

// The JSON parser rejects a whole reply for one bad string. Bad bytes and lone surrogate
// escapes become U+FFFD here, so only the record that holds one is left out.
std::string markBadText(std::string_view in) {
  std::string out;
  out.reserve(in.size());
  bool inString = false;
  for (size_t i = 0; i < in.size();) {
    const auto c = static_cast<unsigned char>(in[i]);
    if (c >= 0x80) {
      const size_t n = utf8Length(in, i);
      out += n ? in.substr(i, n) : std::string_view(kReplacement);
      i += n ? n : 1;
    } else if (c == '"') {
      inString = !inString;
      out += in[i++];
    } else if (inString && c == '\\' && i + 1 < in.size()) {
      const int cp = in[i + 1] == 'u' ? hex4(in.substr(i + 2)) : -1;
      const bool high = cp >= 0xD800 && cp <= 0xDBFF, low = cp >= 0xDC00 && cp <= 0xDFFF;
      const int next = high && in.substr(i + 6, 2) == "\\u" ? hex4(in.substr(i + 8)) : -1;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        out += in.substr(i, 12);
        i += 12;
      } else if (high || low) {
        out += "\\ufffd";
        i += 6;
      } else {
        out += in.substr(i, 2);
        i += 2;
      }
    } else {
      out += in[i++];
    }
  }
  return out;
}

// Reads an array of flat objects event by event: no document, a bounded depth, only the
// fields asked for.
class RecordReader final : public nlohmann::json_sax<json> {
 public:
  explicit RecordReader(const std::set<std::string>& fields) : fields_(fields) {}
  std::vector<Record> records;

  bool null() override { return scalar({}, false); }
  bool boolean(bool) override { return scalar({}, false); }
  bool number_integer(number_integer_t v) override {
    return scalar(std::to_string(std::clamp<number_integer_t>(v, 0, 1'000'000)), false);
  }
  bool number_unsigned(number_unsigned_t v) override {
    return scalar(std::to_string(std::min<number_unsigned_t>(v, 1'000'000)), false);
  }
  bool number_float(number_float_t, const string_t&) override { return scalar({}, false); }
  bool string(string_t& v) override { return scalar(std::move(v), true); }
  bool binary(binary_t&) override { return false; }
  bool start_object(std::size_t) override {
    if (depth_ == 0 || ++depth_ > kMaxJsonDepth) return false;  // the reply must be an array
    if (depth_ == 2) {
      current_.clear();
      bad_ = false;
    }
    return true;
  }
  bool key(string_t& k) override {
    if (depth_ == 2) key_ = k;
    return true;
  }
  bool end_object() override {
    if (depth_-- == 2 && !bad_) records.push_back(std::move(current_));
    return true;
  }
  bool start_array(std::size_t) override { return ++depth_ <= kMaxJsonDepth; }
  bool end_array() override {
    --depth_;
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool scalar(std::string value, bool text) {
    if (depth_ == 0) return false;
    if (depth_ != 2 || !fields_.count(key_)) return true;
    if (text && value.find(kReplacement) != std::string::npos) bad_ = true;
    current_[key_] = std::move(value);
    return true;
  }

  const std::set<std::string>& fields_;
  size_t depth_ = 0;
  Record current_;
  std::string key_;
  bool bad_ = false;
};

std::optional<std::vector<Record>> readRecords(std::string_view text, const std::set<std::string>& fields) {
  RecordReader reader(fields);
  if (!json::sax_parse(markBadText(text), &reader)) return std::nullopt;
  return std::move(reader.records);
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

std::optional<std::vector<UpCountry>> parseCountries(std::string_view text) {
  static const std::set<std::string> fields{"iso_3166_1", "name", "stationcount"};
  const auto records = readRecords(text, fields);
  if (!records) return std::nullopt;
  std::map<std::string, UpCountry> byCode;  // the upstream lists some codes twice
  for (const auto& item : *records) {
    const auto code = twoLetterCode(stringField(item, "iso_3166_1"));
    std::string name = cleanName(stringField(item, "name"));
    const int count = numberField(item, "stationcount");
    if (!code || count <= 0) continue;
    if (name.empty()) name = asciiLower(*code);
    auto& c = byCode[*code];
    if (c.code.empty()) c = {*code, name, 0};
    c.stations += count;
  }
  std::vector<UpCountry> out;
  for (auto& [code, c] : byCode) out.push_back(std::move(c));
  return out;
}

std::optional<std::vector<UpStation>> parseStations(std::string_view text) {
  static const std::set<std::string> fields{"stationuuid", "name",  "url",     "url_resolved", "countrycode",
                                            "homepage",    "codec", "bitrate", "clickcount",   "votes"};
  const auto records = readRecords(text, fields);
  if (!records) return std::nullopt;
  std::vector<UpStation> out;
  for (const auto& item : *records) {
    UpStation s;
    s.uuid = asciiLower(stringField(item, "stationuuid"));
    s.name = cleanName(stringField(item, "name"));
    s.url = stringField(item, "url_resolved");
    if (s.url.empty()) s.url = stringField(item, "url");
    const auto code = twoLetterCode(stringField(item, "countrycode"));
    if (!isStationUuid(s.uuid) || s.name.empty() || !isPlayableAddress(s.url) || !code) continue;
    s.url = locationSafe(s.url);
    s.country = *code;
    s.homepage = cleanHomepage(stringField(item, "homepage"));
    s.codec = cleanName(stringField(item, "codec")).substr(0, 16);
    s.bitrateKbps = numberField(item, "bitrate");
    s.clicks = numberField(item, "clickcount");
    s.votes = numberField(item, "votes");
    out.push_back(std::move(s));
  }
  return out;
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
