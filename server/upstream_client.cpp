#include "upstream_client.h"

#include "upstream_fields.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

namespace vantor::server {

namespace {

struct Received {
  std::string body;
  size_t cap = 0;
  bool tooLarge = false;
};

size_t collect(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Received*>(user);
  const size_t bytes = size * count;
  if (r->body.size() + bytes > r->cap) {
    r->tooLarge = true;
    return 0;  // libcurl aborts the transfer
  }
  r->body.append(data, bytes);
  return bytes;
}

}  // namespace

std::string percentEncode(const std::string& s) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 0xF];
    }
  }
  return out;
}

std::vector<std::string> UpstreamClient::parseMirrors(const std::string& list) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string m = list.substr(start, end - start);
    while (!m.empty() && m.front() == ' ') m.erase(0, 1);
    while (!m.empty() && m.back() == ' ') m.pop_back();
    if (isPlayableAddress(m)) {
      if (m.back() != '/') m += '/';
      out.push_back(m);
    }
    start = end + 1;
  }
  return out;
}

UpstreamClient::UpstreamClient(UpstreamOptions options, LogSink log)
    : options_(std::move(options)), log_(std::move(log)) {
  static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (init != CURLE_OK) log_("vantor-directory: libcurl cannot start");
  for (const auto& m : options_.mirrors) mirrors_.push_back({m});
}

std::vector<std::string> UpstreamClient::mirrors() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> out;
  for (const auto& m : mirrors_) out.push_back(m.base);
  return out;
}

void UpstreamClient::discoverIfDue() {
  if (!options_.discover) return;
  {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    const bool allFailing =
        std::all_of(mirrors_.begin(), mirrors_.end(), [](const Mirror& m) { return m.failures > 0; });
    if (discovering_ || (discoveredAt_ && !(allFailing && now - *discoveredAt_ >= options_.rediscoverEvery)))
      return;
    discovering_ = true;
    discoveredAt_ = now;
  }
  const std::vector<std::string> found = options_.discover();
  std::string names;
  for (const auto& m : found) names += (names.empty() ? "" : ", ") + m;
  log_("vantor-directory: upstream mirrors: " + (names.empty() ? std::string("none found") : names));
  std::lock_guard lock(mutex_);
  discovering_ = false;
  if (found.empty()) return;
  std::vector<Mirror> next;
  for (const auto& base : found) {
    const auto kept =
        std::find_if(mirrors_.begin(), mirrors_.end(), [&](const Mirror& m) { return m.base == base; });
    next.push_back(kept != mirrors_.end() ? *kept : Mirror{base});
  }
  mirrors_ = std::move(next);
}

bool UpstreamClient::fetch(const std::string& url, std::string& body, std::string& why) const {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
  if (!curl) {
    why = "libcurl cannot start";
    return false;
  }
  Received r;
  r.cap = options_.maxReplyBytes;
  char error[CURL_ERROR_SIZE] = {};
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "gzip");
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(options_.connectTimeout.count()));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(options_.timeout.count()));
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options_.maxReplyBytes));
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &r);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, error);
  const CURLcode rc = perform(c);
  if (rc == CURLE_ABORTED_BY_CALLBACK) {
    why = "stopped";
    return false;
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  if (r.tooLarge || rc == CURLE_FILESIZE_EXCEEDED) {
    why = "reply larger than " + std::to_string(options_.maxReplyBytes) + " bytes";
    return false;
  }
  if (rc != CURLE_OK) {
    why = *error ? error : curl_easy_strerror(rc);
    return false;
  }
  if (status < 200 || status >= 300) {
    why = "HTTP status " + std::to_string(status);
    return false;
  }
  body = std::move(r.body);
  return true;
}

// The transfer in a multi handle of its own, so cancel() can wake it from its wait at once.
CURLcode UpstreamClient::perform(CURL* c) const {
  CURLM* multi = curl_multi_init();
  if (!multi || curl_multi_add_handle(multi, c) != CURLM_OK) {
    curl_multi_cleanup(multi);
    return CURLE_OUT_OF_MEMORY;
  }
  {
    std::lock_guard lock(transfersMutex_);
    transfers_.insert(multi);
  }
  CURLcode rc = CURLE_ABORTED_BY_CALLBACK;
  for (int running = 1; running && !cancelled_;) {
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      rc = CURLE_FAILED_INIT;
      break;
    }
    int left = 0;
    while (const CURLMsg* m = curl_multi_info_read(multi, &left))
      if (m->msg == CURLMSG_DONE) rc = m->data.result;
    if (running) curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
  }
  {
    std::lock_guard lock(transfersMutex_);
    transfers_.erase(multi);
  }
  curl_multi_remove_handle(multi, c);
  curl_multi_cleanup(multi);
  return cancelled_ ? CURLE_ABORTED_BY_CALLBACK : rc;
}

void UpstreamClient::cancel() {
  cancelled_ = true;
  std::lock_guard lock(transfersMutex_);
  for (CURLM* m : transfers_) curl_multi_wakeup(m);
}

bool UpstreamClient::usable() {
  std::lock_guard lock(mutex_);
  if (options_.discover && !discoveredAt_) return true;
  const auto now = Clock::now();
  return std::any_of(mirrors_.begin(), mirrors_.end(), [&](const Mirror& m) { return now >= m.restUntil; });
}

std::chrono::steady_clock::duration UpstreamClient::untilUsable() {
  std::lock_guard lock(mutex_);
  if (mirrors_.empty() || (options_.discover && !discoveredAt_)) return {};
  auto earliest = Clock::time_point::max();
  for (const auto& m : mirrors_) earliest = std::min(earliest, m.restUntil);
  return std::max(earliest - Clock::now(), Clock::duration::zero());
}

std::optional<std::string> UpstreamClient::get(const std::string& pathAndQuery,
                                               const std::function<bool(const std::string&)>& accept) {
  discoverIfDue();
  // The one that answered last first, then the others in their order.
  std::vector<std::string> order;
  {
    std::lock_guard lock(mutex_);
    const auto now = Clock::now();
    for (const auto& m : mirrors_)
      if (now >= m.restUntil) order.insert(m.base == preferred_ ? order.begin() : order.end(), m.base);
  }
  for (const auto& base : order) {
    if (cancelled_) return std::nullopt;
    std::string body, why;
    const bool fetched = fetch(base + pathAndQuery, body, why);
    const bool accepted = fetched && !cancelled_ && accept(body);
    if (fetched && !accepted) why = "reply is not the expected JSON or breaks a bound";
    if (cancelled_) return std::nullopt;
    std::lock_guard lock(mutex_);
    const auto m =
        std::find_if(mirrors_.begin(), mirrors_.end(), [&](const Mirror& x) { return x.base == base; });
    if (accepted) {
      preferred_ = base;
      if (m != mirrors_.end()) *m = Mirror{base};
      return body;
    }
    if (m == mirrors_.end()) continue;
    const int doublings = std::min(m->failures++, 16);
    const auto rest =
        std::min<std::chrono::seconds>(options_.mirrorPause * (1LL << doublings), options_.maxMirrorPause);
    m->restUntil = Clock::now() + rest;
    log_("vantor-directory: upstream " + base + " failed (" + why + "); left alone for " +
         std::to_string(rest.count()) + " s");
  }
  return std::nullopt;
}

std::optional<std::vector<UpCountry>> UpstreamClient::countries() {
  std::optional<std::vector<UpCountry>> out;
  get("json/countries", [&](const std::string& body) { return (out = parseCountries(body)).has_value(); });
  return out;
}

std::optional<std::vector<UpStation>> UpstreamClient::stationsOf(const std::string& code) {
  std::optional<std::vector<UpStation>> out;
  get("json/stations/bycountrycodeexact/" + percentEncode(code) +
          "?hidebroken=true&order=clickcount&reverse=true",
      [&](const std::string& body) { return (out = parseStations(body, &cancelled_)).has_value(); });
  return out;
}

std::optional<std::vector<UpStation>> UpstreamClient::search(const std::string& name, const std::string& code,
                                                             int limit) {
  std::string query =
      "json/stations/search?hidebroken=true&order=clickcount&reverse=true&limit=" + std::to_string(limit) +
      "&name=" + percentEncode(name);
  if (!code.empty()) query += "&countrycode=" + percentEncode(code);
  std::optional<std::vector<UpStation>> out;
  get(query, [&](const std::string& body) { return (out = parseStations(body)).has_value(); });
  return out;
}

bool UpstreamClient::countClick(const std::string& uuid) {
  // The answer is a small JSON object; any well-formed 2xx counts.
  return get("json/url/" + percentEncode(uuid),
             [](const std::string& body) { return nlohmann::json::accept(body); })
      .has_value();
}

}  // namespace vantor::server
