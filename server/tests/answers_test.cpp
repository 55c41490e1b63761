#include "answers.h"
#include "text.h"

#include <gtest/gtest.h>

using namespace vantor::server;

TEST(Text, QueryValuesFallBackToWindows1252WhenNotUtf8) {
  EXPECT_EQ(queryValueToUtf8("Caf\xC3\xA9"), "Caf\xC3\xA9");  // already UTF-8
  EXPECT_EQ(queryValueToUtf8("Caf\xE9"), "Caf\xC3\xA9");      // é from an old client
  EXPECT_EQ(queryValueToUtf8("\x80 5"), "\xE2\x82\xAC 5");    // euro sign
  EXPECT_EQ(queryValueToUtf8("\x81"), "\xEF\xBF\xBD");        // unused byte
  EXPECT_FALSE(isValidUtf8("\xC0\xAF"));                      // overlong '/'
  EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));                  // surrogate
  EXPECT_FALSE(isValidUtf8("\xE2\x82"));                      // cut off
  EXPECT_TRUE(isValidUtf8("\xF0\x9F\x8E\xB5"));
}

TEST(Answers, ListFileNamesAreStrict) {
  EXPECT_EQ(stemFromListFile("holland.txt").value_or(""), "holland");
  EXPECT_EQ(stemFromListFile("Ver_enigd-2.txt").value_or(""), "Ver_enigd-2");
  for (const char* bad : {"../holland.txt", "a/b.txt", "..txt", ".txt", "holland", "holland.txt.bak",
                          "holland.TXT", "hol land.txt", "holland.txt/", "a.b.txt", "directory.sqlite3"})
    EXPECT_FALSE(stemFromListFile(bad)) << bad;
}

TEST(Answers, LanguageIsDutchOnlyForNoneOrDutch) {
  EXPECT_EQ(langFromParam(""), Lang::Nl);
  EXPECT_EQ(langFromParam("Nederlands"), Lang::Nl);
  EXPECT_EQ(langFromParam("nederlands"), Lang::Nl);
  EXPECT_EQ(langFromParam("english"), Lang::En);
  EXPECT_EQ(langFromParam("Deutsch"), Lang::En);
}

TEST(Answers, OnlyPlainHostsAreWrittenBackIntoAddresses) {
  for (const char* good : {"127.0.0.1:8047", "localhost", "radio.example:80", "[::1]:8047", "[::1]"})
    EXPECT_TRUE(isUsableHost(good)) << good;
  for (const char* bad :
       {"", "a b", "evil</url><url>x", "host:", ":80", "host:123456", "[::1", "[::1]x", "host:80:80", "a/b"})
    EXPECT_FALSE(isUsableHost(bad)) << bad;
}

TEST(Answers, StationListCarriesAbsoluteStreamsAndSchemelessHomepages) {
  StationRow pls{"jazz", "holland", "Jazz", "", "{host}/station/jazz", StreamKind::Pls, 64};
  StationRow ogg{"klassiek", "holland", "Klassiek", "", "elsewhere.example/k", StreamKind::Ogg, 64};
  EXPECT_EQ(
      stationListAnswer({pls, ogg}, "h:1"),
      "<naam>Jazz</naam>\n<url>http://h:1/stream/jazz.pls</url>\n<homepage>h:1/station/jazz</homepage>\n"
      "<naam>Klassiek</naam>\n<url>http://h:1/stream/klassiek.ogg</url>\n"
      "<homepage>elsewhere.example/k</homepage>\n");
  EXPECT_NE(playlistPls(pls, "h:1").find("File1=http://h:1/stream/jazz.mp3\n"), std::string::npos);
  EXPECT_NE(playlistM3u(pls, "h:1").find("\nhttp://h:1/stream/jazz.mp3\n"), std::string::npos);
}

TEST(Answers, CountryListFollowsTheLanguage) {
  const std::vector<CountryRow> rows{{"holland", "Holland", "The Netherlands"},
                                     {"belgie", "België", "Belgium"}};
  EXPECT_EQ(countryListAnswer(rows, Lang::Nl),
            "<naam>Holland</naam>\n<bestand>holland.txt</bestand>\n<naam>België</naam>\n<bestand>belgie.txt</"
            "bestand>\n");
  EXPECT_EQ(countryListAnswer(rows, Lang::En).substr(0, 28), "<naam>The Netherlands</naam>");
}

TEST(Answers, PagesEscapeWhatTheyEcho) {
  const std::string page = reportThanksPage(Lang::En, "<script>alert(1)</script>");
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);

  EXPECT_EQ(cleanVersion("2.0").value_or(""), "2.0");
  for (const char* bad : {"", "2.", ".2", "2..0", "2.0<b>", "1234567890123456"})
    EXPECT_FALSE(cleanVersion(bad)) << bad;
  EXPECT_NE(homePage(Lang::Nl, std::string("2.0"), 6).find("Vantor Internet Radio 2.0"), std::string::npos);
  EXPECT_EQ(homePage(Lang::Nl, std::nullopt, 6).find("Radio 2.0"), std::string::npos);
}
