#include "upstream_fields.h"

#include "text.h"

#include <algorithm>
#include <utility>

namespace vantor::server {

namespace {

constexpr size_t kMaxName = 200;
constexpr size_t kMaxAddress = 2048;

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

}  // namespace vantor::server
