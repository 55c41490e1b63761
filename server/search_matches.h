#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace vantor::server {

// The stations each search term matches, in list order, kept until the stations change. Common
// words ("radio", "fm") are in most searches and cost the index the most; with their lists at
// hand a search within a country or with several words only picks from them. Bounded in bytes:
// when full it starts afresh.
class SearchMatches {
 public:
  // Calls add(id, country) for each station matching one term, in list order.
  using Lookup = std::function<void(const std::string& term,
                                    const std::function<void(int64_t, const std::string&)>& add)>;

  explicit SearchMatches(size_t maxBytes) : maxBytes_(maxBytes) {}

  // The stations matching every term, in list order, of `country` (empty: any), at most limit.
  // version: of the stations; a list made from other stations is made again.
  std::vector<int64_t> find(const std::vector<std::string>& terms, const std::string& country, size_t limit,
                            uint64_t version, const Lookup& lookup);

 private:
  struct Hit {
    int64_t id;
    uint32_t country;
  };
  struct Term {
    std::vector<Hit> inOrder;
    std::vector<int64_t> ids;  // sorted, to test membership
  };

  std::shared_ptr<const Term> term(const std::string& text, uint64_t version, const Lookup& lookup);
  uint32_t countryNumber(const std::string& code);  // under mutex_

  std::mutex mutex_;
  std::unordered_map<std::string, std::shared_ptr<const Term>> terms_;
  std::unordered_map<std::string, uint32_t> countries_;
  uint64_t version_ = 0;
  size_t bytes_ = 0;
  const size_t maxBytes_;
};

}  // namespace vantor::server
