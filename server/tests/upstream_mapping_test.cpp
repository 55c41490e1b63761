// What the directory makes of the upstream's answers: the JSON, the station fields, the country names.
#include <gtest/gtest.h>

#include "country_names.h"
#include "upstream_fields.h"
#include "upstream_json.h"

using namespace vantor::server;

TEST(UpstreamJson, CountriesTakeNumberOrStringCountsAndDropWhatCannotBeAListFile) {
  const auto countries = parseCountries(R"([
        {"name":"The Netherlands","iso_3166_1":"NL","stationcount":14},
        {"name":"Belgium","iso_3166_1":"be","stationcount":"4"},
        {"name":"Belgium","iso_3166_1":"BE","stationcount":2},
        {"name":"Nowhere","iso_3166_1":"XX","stationcount":0},
        {"name":"Bad","iso_3166_1":"N1","stationcount":3},
        {"name":"Path","iso_3166_1":"..","stationcount":3},
        {"name":"Long","iso_3166_1":"NLD","stationcount":3},
        {"name":"Odd count","iso_3166_1":"FR","stationcount":"12abc"},
        {"name":"<script>Evil</script>land","iso_3166_1":"EV","stationcount":1},
        "not an object", 42
    ])");
  ASSERT_TRUE(countries);
  ASSERT_EQ(countries->size(), 3u);
  EXPECT_EQ((*countries)[0].code, "be");
  EXPECT_EQ((*countries)[0].stations, 6);  // listed twice: counted together
  EXPECT_EQ((*countries)[1].code, "ev");
  EXPECT_EQ((*countries)[1].nameEn, "Evil land");
  EXPECT_EQ((*countries)[2].code, "nl");
  EXPECT_EQ((*countries)[2].stations, 14);

  for (const char* bad : {"", "{}", "[{\"name\": ", "null", "\"[]\""})
    EXPECT_FALSE(parseCountries(bad)) << bad;
  EXPECT_TRUE(parseCountries("[]"));
}

TEST(UpstreamJson, StationsKeepOnlyWhatThePlayerCanPlayAndATagListCanCarry) {
  const auto stations = parseStations(R"J([
        {"stationuuid":"AA-01","name":"Ok","url":"http://a/x","url_resolved":"https://a/y.pls","homepage":"https://www.ok.example/",
         "countrycode":"NL","codec":"MP3","bitrate":"128","hls":0},
        {"stationuuid":"aa-02","name":"No resolved","url":"http://b/z","countrycode":"nl","bitrate":64},
        {"stationuuid":"aa-03","name":"Nothing","url":"","countrycode":"NL"},
        {"stationuuid":"aa-04","name":"Hls","url_resolved":"https://c/m.m3u8","countrycode":"NL","hls":1},
        {"stationuuid":"aa-05","name":"Ftp","url_resolved":"ftp://d/e.mp3","countrycode":"NL"},
        {"stationuuid":"aa-06","name":" \n ","url_resolved":"http://e/","countrycode":"NL"},
        {"stationuuid":"../x","name":"Bad id","url_resolved":"http://f/","countrycode":"NL"},
        {"stationuuid":"aa-08","name":"Header","url_resolved":"http://g/\r\nSet-Cookie: x","countrycode":"NL"},
        {"stationuuid":"aa-09","name":"No country","url_resolved":"http://h/"},
        {"stationuuid":"aa-10","name":"Script home","url_resolved":"http://i/","homepage":"javascript:alert(1)","countrycode":"NL"},
        {"stationuuid":"aa-11","name":"Tag home","url_resolved":"http://j/","homepage":"http://j/</homepage><naam>x","countrycode":"NL"}
    ])J");
  ASSERT_TRUE(stations);
  ASSERT_EQ(stations->size(), 5u);
  const auto& ok = (*stations)[0];
  EXPECT_EQ(ok.uuid, "aa-01");
  EXPECT_EQ(ok.url, "https://a/y.pls");
  EXPECT_EQ(ok.homepage, "www.ok.example/");
  EXPECT_EQ(ok.country, "nl");
  EXPECT_EQ(ok.bitrateKbps, 128);
  EXPECT_EQ((*stations)[1].url, "http://b/z");        // the listed address when nothing was resolved
  EXPECT_EQ((*stations)[2].url, "https://c/m.m3u8");  // HLS goes to the media framework as it is
  EXPECT_EQ((*stations)[3].name, "Script home");
  EXPECT_EQ((*stations)[3].homepage, "");
  EXPECT_EQ((*stations)[4].homepage, "");
  EXPECT_FALSE(parseStations("[{\"stationuuid\":"));
}

TEST(UpstreamFields, NamesLoseTagsAndControlCharactersButKeepTheirText) {
  EXPECT_EQ(cleanName("<b>Hitradio</b> </naam><url>http://evil/</url>"), "Hitradio http://evil/");
  EXPECT_EQ(cleanName("Rock &amp; Roll <3 Radio"),
            "Rock & Roll \xE2\x80\xB9"
            "3 Radio");
  EXPECT_EQ(cleanName("&lt;naam&gt;x&lt;/naam&gt;"), "x");  // entities cannot smuggle tags in
  EXPECT_EQ(cleanName("a > b"), "a \xE2\x80\xBA b");
  EXPECT_EQ(cleanName("  Caf\xC3\xA9\t\r\nRadio \xF0\x9F\x8E\xBB  "), "Caf\xC3\xA9 Radio \xF0\x9F\x8E\xBB");
  EXPECT_EQ(cleanName("Caf\xE9"), "Caf\xC3\xA9");  // not UTF-8: read as Windows-1252
  const std::string longName = cleanName(std::string(199, 'a') + "\xC3\xA9" + "b");
  EXPECT_EQ(longName, std::string(199, 'a'));  // cut before a split character, never inside it
  EXPECT_EQ(cleanName(" \n\t "), "");
}

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

TEST(UpstreamJson, ABadRecordIsDroppedAndTheRestKept) {
  const std::string ok = R"({"stationuuid":"aa-01","name":"Ok","url":"http://a/x","countrycode":"NL"})";
  const struct {
    const char* what;
    std::string record;
  } bad[] = {
      {"invalid UTF-8",
       "{\"stationuuid\":\"aa-02\",\"name\":\"Bad \xC3\x28\",\"url\":\"http://a/y\",\"countrycode\":\"NL\"}"},
      {"lone high surrogate",
       R"({"stationuuid":"aa-02","name":"Bad \ud83d x","url":"http://a/y","countrycode":"NL"})"},
      {"lone low surrogate",
       R"({"stationuuid":"aa-02","name":"Bad \udc00","url":"http://a/y","countrycode":"NL"})"},
      {"high surrogate at the end",
       R"({"stationuuid":"aa-02","name":"Bad \ud83d","url":"http://a/y","countrycode":"NL"})"},
  };
  for (const auto& b : bad) {
    const auto stations = parseStations("[" + ok + "," + b.record + "," + ok + "]");
    ASSERT_TRUE(stations) << b.what;
    EXPECT_EQ(stations->size(), 2u) << b.what;
  }
  // A pair, an escaped backslash before "u", and bad text in a field not used all stay.
  const auto kept = parseStations(
      "[{\"stationuuid\":\"aa-03\",\"name\":\"Fine \\ud83c\\udfbb \\\\ud800\",\"url\":\"http://a/z\","
      "\"countrycode\":\"NL\",\"tags\":\"\xFF\"}]");
  ASSERT_TRUE(kept);
  ASSERT_EQ(kept->size(), 1u);
  EXPECT_EQ((*kept)[0].name, "Fine \xF0\x9F\x8E\xBB \\ud800");
}

TEST(UpstreamJson, NestingBeyondTheBoundRejectsTheReply) {
  const auto nested = [](size_t depth) {
    return "[{\"stationuuid\":\"aa-01\",\"name\":\"Ok\",\"url\":\"http://a/"
           "x\",\"countrycode\":\"NL\",\"x\":" +
           std::string(depth, '[') + std::string(depth, ']') + "}]";
  };
  EXPECT_EQ(parseStations(nested(kMaxJsonDepth - 2))->size(), 1u);
  EXPECT_FALSE(parseStations(nested(kMaxJsonDepth - 1)));
  EXPECT_FALSE(parseCountries(std::string(1'000'000, '[') + std::string(1'000'000, ']')));
}

TEST(UpstreamJson, PlayAddressesAreSafeInALocationHeader) {
  const auto stations = parseStations(
      R"([{"stationuuid":"aa-01","name":"A","url":"http://a.example/my stream\"<x>.mp3 ","countrycode":"NL"},
          {"stationuuid":"aa-02","name":"B","url":"http://a.example/\u0001","countrycode":"NL"},
          {"stationuuid":"aa-03","name":"C","url":"http:// a.example/","countrycode":"NL"}])");
  ASSERT_TRUE(stations);
  ASSERT_EQ(stations->size(), 1u);
  EXPECT_EQ((*stations)[0].url, "http://a.example/my%20stream%22%3Cx%3E.mp3");
  EXPECT_EQ(locationSafe("http://a/%20b"), "http://a/%20b");
}
