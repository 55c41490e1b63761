#pragma once

#include "answer_memo.h"
#include "answers.h"

#include <optional>
#include <string>

namespace vantor::server {

// Where the routes get stations from other than the demo catalogue. Every answer is a finished
// tag list (station lists with this server's address left to each request); nullopt or nullptr
// means "nothing to say", and the demo catalogue answers instead.
class StationSource {
 public:
  virtual ~StationSource() = default;

  virtual std::optional<std::string> countryList(Lang lang) = 0;
  // stem: the list file without ".txt".
  virtual SharedAnswer stationList(const std::string& stem) = 0;
  virtual SharedAnswer search(const std::string& words, const std::string& land) = 0;
  // The address to redirect a /play/{id} request to; client identifies the listener.
  virtual std::optional<std::string> playTarget(const std::string& id, const std::string& client) = 0;
  // The list file names a country whose stations have not come from the directory yet: the
  // demo stands in for it until they do.
  virtual bool awaits(const std::string& stem) = 0;

  virtual SourceSummary summary() = 0;
  // The station pages for a browser: with an empty `land` the countries, otherwise that
  // country's stations; nullopt when nothing is cached. stationPage: one station by its id.
  // host: this server as the client reached it.
  virtual std::optional<std::string> sitePage(Lang lang, const std::string& land,
                                              const std::string& host) = 0;
  virtual std::optional<std::string> stationPage(Lang lang, const std::string& id,
                                                 const std::string& host) = 0;
};

}  // namespace vantor::server
