#include "search_matches.h"

#include <algorithm>

namespace vantor::server {

namespace {

constexpr uint32_t kNoCountry = UINT32_MAX;

}  // namespace

uint32_t SearchMatches::countryNumber(const std::string& code) {
  return countries_.try_emplace(code, static_cast<uint32_t>(countries_.size())).first->second;
}

std::shared_ptr<const SearchMatches::Term> SearchMatches::term(const std::string& text, uint64_t version,
                                                               const Lookup& lookup) {
  {
    std::lock_guard lock(mutex_);
    if (version != version_) {
      terms_.clear();
      bytes_ = 0;
      version_ = version;
    }
    if (const auto it = terms_.find(text); it != terms_.end()) return it->second;
  }
  // Asked without the lock, so other terms are answered meanwhile; two requests for the same
  // new term both ask, and the later one is kept.
  std::vector<std::pair<int64_t, std::string>> rows;
  lookup(text, [&](int64_t id, const std::string& country) { rows.emplace_back(id, country); });

  auto made = std::make_shared<Term>();
  made->ids.reserve(rows.size());
  for (const auto& row : rows) made->ids.push_back(row.first);
  std::sort(made->ids.begin(), made->ids.end());
  made->inOrder.reserve(rows.size());
  std::lock_guard lock(mutex_);
  for (const auto& [id, country] : rows) made->inOrder.push_back({id, countryNumber(country)});
  if (version != version_) return made;  // the stations changed meanwhile: use once, keep nothing
  const size_t size = text.size() + rows.size() * (sizeof(Hit) + sizeof(int64_t));
  if (size > maxBytes_) return made;
  if (bytes_ + size > maxBytes_) {
    terms_.clear();
    bytes_ = 0;
  }
  terms_[text] = made;
  bytes_ += size;
  return made;
}

std::vector<int64_t> SearchMatches::find(const std::vector<std::string>& terms, const std::string& country,
                                         size_t limit, uint64_t version, const Lookup& lookup) {
  std::vector<std::shared_ptr<const Term>> lists;
  for (const auto& t : terms) lists.push_back(term(t, version, lookup));
  if (lists.empty()) return {};
  // The shortest list leads; its order is the list order, the others only say yes or no.
  std::sort(lists.begin(), lists.end(),
            [](const auto& a, const auto& b) { return a->inOrder.size() < b->inOrder.size(); });
  uint32_t wanted = kNoCountry;
  if (!country.empty()) {
    std::lock_guard lock(mutex_);
    const auto it = countries_.find(country);
    if (it == countries_.end()) return {};
    wanted = it->second;
  }
  std::vector<int64_t> out;
  for (const auto& hit : lists.front()->inOrder) {
    if (out.size() >= limit) break;
    if (wanted != kNoCountry && hit.country != wanted) continue;
    const bool inAll = std::all_of(lists.begin() + 1, lists.end(), [&](const auto& other) {
      return std::binary_search(other->ids.begin(), other->ids.end(), hit.id);
    });
    if (inAll) out.push_back(hit.id);
  }
  return out;
}

}  // namespace vantor::server
