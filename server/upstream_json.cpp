#include "upstream_json.h"

#include "country_names.h"
#include "text.h"
#include "upstream_fields.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

// Reading the upstream's JSON replies.
namespace vantor::server {

namespace {

using nlohmann::json;

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
  RecordReader(const std::set<std::string>& fields, const std::atomic<bool>* stop)
      : fields_(fields), stop_(stop) {}
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
    return !(stop_ && *stop_);
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
  const std::atomic<bool>* stop_;
  size_t depth_ = 0;
  Record current_;
  std::string key_;
  bool bad_ = false;
};

std::optional<std::vector<Record>> readRecords(std::string_view text, const std::set<std::string>& fields,
                                               const std::atomic<bool>* stop = nullptr) {
  RecordReader reader(fields, stop);
  if (!json::sax_parse(markBadText(text), &reader)) return std::nullopt;
  return std::move(reader.records);
}

}  // namespace

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

std::optional<std::vector<UpStation>> parseStations(std::string_view text, const std::atomic<bool>* stop) {
  static const std::set<std::string> fields{"stationuuid", "name",  "url",     "url_resolved", "countrycode",
                                            "homepage",    "codec", "bitrate", "clickcount",   "votes"};
  const auto records = readRecords(text, fields, stop);
  if (!records) return std::nullopt;
  std::vector<UpStation> out;
  for (const auto& item : *records) {
    if (stop && *stop) return std::nullopt;
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

}  // namespace vantor::server
