#include "catalogue.h"

#include <gtest/gtest.h>

using namespace vantor::server;

namespace {

std::string oneCountry(const std::string& stations, const std::string& stem = "holland") {
  return R"({"countries":[{"stem":")" + stem + R"(","nl":"Holland","en":"The Netherlands","stations":[)" +
         stations + "]}]}";
}

}  // namespace

TEST(Catalogue, ShippedCatalogueHasHollandFirstAndEveryKindOfStream) {
  const Catalogue cat = loadCatalogue(VANTOR_CATALOGUE);
  ASSERT_GE(cat.countries.size(), 5u);
  EXPECT_EQ(cat.countries.front().stem, "holland");
  EXPECT_EQ(cat.countries.front().nameNl, "Holland");
  bool seen[6] = {};
  for (const auto& c : cat.countries) {
    EXPECT_GE(c.stations.size(), 2u) << c.stem;
    for (const auto& s : c.stations) seen[static_cast<int>(s.kind)] = true;
  }
  for (int k = 0; k < 6; ++k) EXPECT_TRUE(seen[k]) << streamKindName(static_cast<StreamKind>(k));
}

TEST(Catalogue, DefaultsFillKindBitrateAndHomepage) {
  const Catalogue cat = parseCatalogue(oneCountry(R"({"key":"a-b","name":"A B"})"));
  const Station& s = cat.countries.at(0).stations.at(0);
  EXPECT_EQ(s.kind, StreamKind::Mp3);
  EXPECT_EQ(s.bitrateKbps, 64);
  EXPECT_EQ(s.homepage, "{host}/station/a-b");
  EXPECT_EQ(cat.countries[0].voice, "en");
}

TEST(Catalogue, RefusesValuesThatWouldBreakTheTagListOrPaths) {
  const char* bad[] = {
      R"({"key":"x","name":"Rock <b>FM</b>"})",  // would be scanned as tags
      R"({"key":"x","name":"Two\nlines"})",
      R"({"key":"x","name":"X","homepage":"a<b"})",
      R"({"key":"../x","name":"X"})",  // key becomes a file name
      R"({"key":"x","name":"X","kind":"wav"})",
      R"({"key":"x","name":"X","bitrate":0})",
      R"({"key":"x"})",
      R"({"key":"x","name":"X"},{"key":"X","name":"Y"})",  // keys differ only in case
  };
  for (const char* station : bad)
    EXPECT_THROW(parseCatalogue(oneCountry(station)), CatalogueError) << station;
  EXPECT_THROW(parseCatalogue(oneCountry(R"({"key":"x","name":"X"})", "hol/land")), CatalogueError);
  EXPECT_THROW(parseCatalogue("{\"countries\":[]}"), CatalogueError);
  EXPECT_THROW(parseCatalogue(R"({"countries":[{"stem":"holland","nl":"A","en":"A","stations":[]},
                                              {"stem":"Holland","nl":"B","en":"B","stations":[]}]})"),
               CatalogueError);  // the same country twice
  EXPECT_THROW(parseCatalogue("{not json"), CatalogueError);
  EXPECT_THROW(loadCatalogue("/nonexistent/catalogue.json"), CatalogueError);
}
