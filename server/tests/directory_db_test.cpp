#include "directory_db.h"
#include "server_test_util.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace vantor::server;

namespace {

Catalogue smallCatalogue() {
  Catalogue cat;
  cat.countries.push_back(
      {"holland",
       "Holland",
       "The Netherlands",
       "nl",
       {{"polder-fm", "Polder FM", "pop hits", StreamKind::Mp3, 128, "{host}/station/polder-fm"},
        {"grachten-jazz", "Grachten Jazz", "jazz swing", StreamKind::Pls, 96, "h/g"},
        {"jazzy-rock", "Tulp Rock", "rock jazzy", StreamKind::Drop, 64, "h/t"}}});
  cat.countries.push_back({"frankrijk",
                           "Frankrijk",
                           "France",
                           "fr",
                           {{"cafe-musette", "Café Musette", "chanson accordéon", StreamKind::Mp3, 64, "h/c"},
                            {"jazz-rive", "Jazz Rive Gauche", "jazz", StreamKind::Ogg, 64, "h/j"}}});
  return cat;
}

std::vector<std::string> names(const std::vector<StationRow>& rows) {
  std::vector<std::string> out;
  for (const auto& r : rows) out.push_back(r.name);
  return out;
}

class DirectoryDbTest : public testing::Test {
 protected:
  void SetUp() override {
    db = std::make_unique<DirectoryDb>(dir.path("d.sqlite3"));
    db->replaceCatalogue(smallCatalogue());
  }
  TempDir dir;
  std::unique_ptr<DirectoryDb> db;
};

}  // namespace

TEST_F(DirectoryDbTest, ListsKeepCatalogueOrder) {
  const auto countries = db->countries();
  ASSERT_EQ(countries.size(), 2u);
  EXPECT_EQ(countries[0].stem, "holland");
  EXPECT_EQ(countries[1].nameEn, "France");
  EXPECT_EQ(names(db->stationsOf("holland")),
            (std::vector<std::string>{"Polder FM", "Grachten Jazz", "Tulp Rock"}));
  EXPECT_EQ(db->stationsOf("HOLLAND").size(), 3u);
  EXPECT_TRUE(db->stationsOf("nowhere").empty());
  const auto s = db->stationByKey("grachten-jazz");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->kind, StreamKind::Pls);
  EXPECT_EQ(s->bitrateKbps, 96);
}

TEST_F(DirectoryDbTest, SearchMatchesNamesAndTagsIgnoringAccentsAndCase) {
  EXPECT_EQ(names(db->search("cafe", "")), (std::vector<std::string>{"Café Musette"}));
  EXPECT_EQ(names(db->search("ACCORDEON", "")), (std::vector<std::string>{"Café Musette"}));
  EXPECT_EQ(names(db->search("swing", "")), (std::vector<std::string>{"Grachten Jazz"}));
  EXPECT_EQ(db->search("jazz", "").size(), 3u);  // "jazzy" too: words match as prefixes
  EXPECT_EQ(names(db->search("jazz rock", "")), (std::vector<std::string>{"Tulp Rock"}));  // every word
  EXPECT_EQ(names(db->search("  jazz  ", "frankrijk")), (std::vector<std::string>{"Jazz Rive Gauche"}));
  EXPECT_TRUE(db->search("jazz", "spanje").empty());
  EXPECT_TRUE(db->search("metal", "").empty());
  // No words: every station, of the country if one is given.
  EXPECT_EQ(db->search("", "").size(), 5u);
  EXPECT_EQ(db->search("", "frankrijk").size(), 2u);
}

TEST_F(DirectoryDbTest, SearchTextIsNeverQuerySyntax) {
  for (const char* words :
       {"\"", "jazz\"", "a OR b", "NOT", "*", "(", "jazz AND", "name:jazz", "^", "-", "\"\"*"})
    EXPECT_NO_THROW(db->search(words, "")) << words;
  EXPECT_TRUE(db->search("polder OR cafe", "").empty());  // OR is just a word here
  EXPECT_EQ(searchExpression(" a  b\"c "), "\"a\"* AND \"b\"\"c\"*");
  // Control characters separate words.
  EXPECT_EQ(searchExpression(std::string("jazz\0rock\x01\x7f", 11)), "\"jazz\"* AND \"rock\"*");
}

TEST(DirectoryDb, SearchStopsAtTheLimit) {
  TempDir dir;
  DirectoryDb db(dir.path("d.sqlite3"));
  Catalogue cat;
  cat.countries.push_back({"holland", "Holland", "The Netherlands", "nl", {}});
  for (int i = 0; i < 620; ++i)
    cat.countries[0].stations.push_back(
        {"s" + std::to_string(i), "Station " + std::to_string(i), "pop", StreamKind::Mp3, 64, "h"});
  db.replaceCatalogue(cat);
  EXPECT_EQ(db.search("pop", "").size(), 500u);
  EXPECT_EQ(db.search("", "holland").size(), 500u);
  EXPECT_EQ(db.stationsOf("holland").size(), 620u);
}

TEST(DirectoryDb, ReportsSurviveReopeningAndANewCatalogue) {
  TempDir dir;
  {
    DirectoryDb db(dir.path("d.sqlite3"));
    db.replaceCatalogue(smallCatalogue());
    db.addReport({"2024-01-01T00:00:00Z", "english", "http://x/s.mp3", "Café 'FM'", "Holland", "127.0.0.1"});
  }
  DirectoryDb db(dir.path("d.sqlite3"));
  Catalogue other = smallCatalogue();
  other.countries.pop_back();
  db.replaceCatalogue(other);
  EXPECT_TRUE(db.stationsOf("frankrijk").empty());
  EXPECT_TRUE(db.search("cafe", "").empty());  // index follows the new catalogue
  const auto reports = db.reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].name, "Café 'FM'");
  EXPECT_EQ(reports[0].url, "http://x/s.mp3");
  EXPECT_EQ(reports[0].country, "Holland");
}

TEST(DirectoryDb, RepeatedReportsFoldAndTheLeastRecentGoBeyondTheCap) {
  TempDir dir;
  DirectoryDb db(dir.path("d.sqlite3"), 3);
  const auto report = [&](const char* at, const char* url) {
    db.addReport({at, "english", url, std::string("name of ") + url, "Holland", "10.0.0.1"});
  };
  report("2024-01-01T00:00:01Z", "a");
  report("2024-01-01T00:00:02Z", "b");
  report("2024-01-01T00:00:03Z", "a");
  report("2024-01-01T00:00:04Z", "c");
  report("2024-01-01T00:00:05Z", "d");  // b was reported least recently: it goes
  const auto reports = db.reports();
  ASSERT_EQ(reports.size(), 3u);
  EXPECT_EQ(reports[0].url, "a");
  EXPECT_EQ(reports[0].count, 2);
  EXPECT_EQ(reports[0].received, "2024-01-01T00:00:01Z");
  EXPECT_EQ(reports[0].last, "2024-01-01T00:00:03Z");
  EXPECT_EQ(reports[1].url, "c");
  EXPECT_EQ(reports[2].url, "d");
  EXPECT_EQ(reports[2].count, 1);
  EXPECT_EQ(reports[2].last, reports[2].received);
}

TEST(DirectoryDb, ReportsOfAnEarlierLayoutAreKeptAndFoldFromThen) {
  TempDir dir;
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(dir.path("d.sqlite3").c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(raw,
                   "CREATE TABLE reports(id INTEGER PRIMARY KEY, received TEXT NOT NULL, lang TEXT NOT NULL,"
                   " url TEXT NOT NULL, name TEXT NOT NULL, country TEXT NOT NULL, remote TEXT NOT NULL);"
                   "INSERT INTO reports(received, lang, url, name, country, remote)"
                   " VALUES('2023-05-05T10:00:00Z', 'nederlands', 'u', 'Oud', 'Holland', '10.0.0.2');",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(raw);

  DirectoryDb db(dir.path("d.sqlite3"));
  db.addReport({"2024-01-01T00:00:00Z", "english", "u", "New", "Holland", "10.0.0.3"});
  const auto reports = db.reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].name, "Oud");
  EXPECT_EQ(reports[0].count, 2);
  EXPECT_EQ(reports[0].received, "2023-05-05T10:00:00Z");
  EXPECT_EQ(reports[0].last, "2024-01-01T00:00:00Z");
}

TEST(DirectoryDb, UnopenableFileThrows) {
  EXPECT_THROW(DirectoryDb("/nonexistent-folder/d.sqlite3"), DbError);
}
