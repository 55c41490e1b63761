#include "country_names.h"

#include <gtest/gtest.h>

using namespace vantor::server;

TEST(CountryNames, CountryNamesPerLanguageWithHollandFirst) {
  const std::vector<UpCountry> up{{"at", "Austria", 1},  {"ax", "\xC3\x85land Islands", 1},
                                  {"be", "Belgium", 1},  {"nl", "The Netherlands", 1},
                                  {"zw", "Zimbabwe", 1}, {"ci", "C\xC3\xB4te D'ivoire", 1}};
  const auto rows = countryRowsFor(up);
  std::vector<std::string> nl, en;
  for (const auto& r : sortedFor(rows, Lang::Nl)) nl.push_back(r.nameNl);
  for (const auto& r : sortedFor(rows, Lang::En)) en.push_back(r.nameEn);
  EXPECT_EQ(nl, (std::vector<std::string>{"Holland", "\xC3\x85land Islands", "Belgi\xC3\xAB",
                                          "C\xC3\xB4te D'ivoire", "Oostenrijk", "Zimbabwe"}));
  EXPECT_EQ(en, (std::vector<std::string>{"The Netherlands", "\xC3\x85land Islands", "Austria", "Belgium",
                                          "C\xC3\xB4te D'ivoire", "Zimbabwe"}));
  EXPECT_EQ(countryCodeFromStem("holland"), "nl");
  EXPECT_EQ(countryCodeFromStem("DE"), "de");
  EXPECT_EQ(countryCodeFromStem("belgie"), "be");  // the demo's file names, chosen offline
  EXPECT_FALSE(countryCodeFromStem("atlantis"));
}
