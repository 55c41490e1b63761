#include "answers.h"
#include "directory_server.h"
#include "routes.h"
#include "routes_demo_stream.h"
#include "server_test_util.h"
#include "test_directory.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <gmock/gmock.h>
#include <httplib.h>

#include <mutex>
#include <thread>

using namespace vantor::server;
using namespace std::chrono_literals;
using testing::HasSubstr;
using testing::Not;

namespace {

class DirectoryServerTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = std::make_unique<Directory>(tmp.path("d.sqlite3"));
    ASSERT_GT(dir->port(), 0);
  }
  std::string get(const std::string& path, int expectStatus = 200) {
    auto res = dir->client().Get(path.c_str());
    EXPECT_TRUE(res) << path;
    if (!res) return {};
    EXPECT_EQ(res->status, expectStatus) << path;
    return res->body;
  }
  TempDir tmp;
  std::unique_ptr<Directory> dir;
};

}  // namespace

TEST_F(DirectoryServerTest, CountryListIsDutchUnlessAnotherLanguageIsAsked) {
  const std::string nl =
      "<naam>Holland</naam>\n<bestand>holland.txt</bestand>\n"
      "<naam>België</naam>\n<bestand>belgie.txt</bestand>\n";
  EXPECT_EQ(get("/radio/inter/keuze.php"), nl);
  EXPECT_EQ(get("/radio/inter/keuze.php?lang=nederlands"), nl);
  EXPECT_EQ(get("/radio/inter/keuze.php?lang=english"),
            "<naam>The Netherlands</naam>\n<bestand>holland.txt</bestand>\n"
            "<naam>Belgium</naam>\n<bestand>belgie.txt</bestand>\n");
  auto res = dir->client().Get("/radio/inter/keuze.php");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->get_header_value("Content-Type"), "text/plain; charset=utf-8");
}

TEST_F(DirectoryServerTest, StationListAddressesPointBackAtThisServer) {
  const std::string body = get("/radio/inter/zenders/holland.txt");
  EXPECT_EQ(body.substr(0, body.find("<naam>Grachten")),
            "<naam>Polder FM</naam>\n<url>http://" + dir->host() + "/stream/polder-fm.mp3</url>\n<homepage>" +
                dir->host() + "/station/polder-fm</homepage>\n");
  EXPECT_NE(body.find("/stream/grachten-jazz.pls</url>"), std::string::npos);
  EXPECT_NE(body.find("/stream/verdwenen-fm.mp3</url>"), std::string::npos);

  // A Host header that would smuggle tags into the list is not echoed.
  auto res = dir->client().Get("/radio/inter/zenders/holland.txt", {{"Host", "x</url><naam>evil"}});
  ASSERT_TRUE(res);
  EXPECT_EQ(res->body.find("evil"), std::string::npos);
  EXPECT_NE(res->body.find("http://" + dir->host() + "/stream/"), std::string::npos);
}

TEST_F(DirectoryServerTest, UnknownOrUnsafeListFilesAre404WithoutTags) {
  for (const char* path : {"/radio/inter/zenders/spanje.txt", "/radio/inter/zenders/..%2Fd.sqlite3",
                           "/radio/inter/zenders/%2E%2E%2Fholland.txt", "/radio/inter/zenders/../keuze.php",
                           "/radio/inter/zenders/a%2Fholland.txt", "/radio/inter/zenders/holland",
                           "/radio/inter/zenders/holland.txt%00.jpg", "/radio/inter/zenders/"}) {
    auto res = dir->client().Get(path);
    ASSERT_TRUE(res) << path;
    EXPECT_EQ(res->status, 404) << path;
    EXPECT_EQ(res->body.find("<naam>"), std::string::npos) << path;
  }
}

TEST_F(DirectoryServerTest, SearchByWordsAndCountry) {
  const std::string all = get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz&land=");
  EXPECT_NE(all.find("<naam>Grachten Jazz</naam>"), std::string::npos);
  EXPECT_NE(all.find("<naam>Schelde Jazz</naam>"), std::string::npos);
  const std::string belgie = get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz&land=belgie");
  EXPECT_EQ(belgie, "<naam>Schelde Jazz</naam>\n<url>http://" + dir->host() +
                        "/stream/schelde.mp3</url>\n<homepage>h/sch</homepage>\n");
  // Encoded the usual ways: %20 and +; an old client's Windows-1252 byte for ë.
  EXPECT_THAT(get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=grachten%20jazz&land="),
              HasSubstr("Grachten"));
  EXPECT_THAT(get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=polder+fm&land=holland"),
              HasSubstr("Polder FM"));
  EXPECT_EQ(get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz&land=spanje"), "");
  EXPECT_EQ(get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz&land=..%2Fbelgie"), "");
  EXPECT_EQ(get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=%22&land="), "");
  // No words: the whole country.
  const std::string everything = get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=&land=holland");
  size_t n = 0;
  for (size_t p = everything.find("<naam>"); p != std::string::npos; p = everything.find("<naam>", p + 1))
    ++n;
  EXPECT_EQ(n, 6u);
}

TEST_F(DirectoryServerTest, SitePagesInBothLanguages) {
  const std::string page = "/radio/inter/website/index.php?wat=";
  EXPECT_THAT(get(page + "home&lang=english&versie=2.0"), HasSubstr("Welcome to Vantor Internet Radio 2.0"));
  EXPECT_THAT(get(page + "home&lang=Nederlands&versie=2.0"),
              HasSubstr("Welkom bij Vantor Internet Radio 2.0"));
  EXPECT_THAT(get(page + "home&lang=english&versie=%3Cscript%3E"), Not(HasSubstr("<script>")));
  EXPECT_THAT(get(page + "about&lang=english"), HasSubstr("About Vantor"));
  EXPECT_THAT(get(page + "about&lang=Nederlands"), HasSubstr("Over Vantor"));
  EXPECT_THAT(get(page + "nothing&lang=english", 404), HasSubstr("Page not found"));
  EXPECT_THAT(get("/"), testing::AllOf(HasSubstr("Polder FM"), HasSubstr("België")));
  EXPECT_THAT(get("/station/polder-fm"), HasSubstr("Polder FM"));
  get("/station/nobody", 404);
  get("/station/..%2Fd.sqlite3", 404);
}

TEST_F(DirectoryServerTest, ReportIsStoredAndSurvivesARestart) {
  const std::string page =
      get("/radio/inter/website/index.php?wat=melding&lang=english&zenderurl=http%3A%2F%2F"
          "127.0.0.1%3A8047%2Fstream%2Fverdwenen-fm.mp3&zendernaam=Verdwenen%20FM&zenderland=Holland");
  EXPECT_NE(page.find("Thank you for reporting <b>Verdwenen FM</b>"), std::string::npos);
  EXPECT_THAT(get("/radio/inter/website/"
                  "index.php?wat=melding&lang=Nederlands&zenderurl=u&zendernaam=B%E9&zenderland="),
              HasSubstr("Bedankt"));
  // Without an address there is nothing to look into: not stored, and not thanked for.
  get("/radio/inter/website/index.php?wat=melding&lang=english&zendernaam=X&zenderland=Holland", 400);

  dir.reset();  // the server and its database go away
  dir = std::make_unique<Directory>(tmp.path("d.sqlite3"));
  const auto reports = dir->db().reports();
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[0].url, "http://127.0.0.1:8047/stream/verdwenen-fm.mp3");
  EXPECT_EQ(reports[0].name, "Verdwenen FM");
  EXPECT_EQ(reports[0].country, "Holland");
  EXPECT_EQ(reports[0].lang, "english");
  EXPECT_EQ(reports[0].remote, "127.0.0.1");
  EXPECT_EQ(reports[0].received.size(), 20u);
  EXPECT_EQ(reports[1].name, "B\xC3\xA9");
}

TEST_F(DirectoryServerTest, OversizedRequestsAreRefused) {
  get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=" + std::string(3000, 'a') + "&land=", 414);
  std::string many = "/radio/inter/keuze.php?";
  for (int i = 0; i < 20; ++i) many += "k" + std::to_string(i) + "=v&";
  get(many, 414);
  httplib::Headers headers;
  for (int i = 0; i < 70; ++i) headers.emplace("X-H" + std::to_string(i), "v");
  auto res = dir->client().Get("/radio/inter/keuze.php", headers);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 431);
}

TEST_F(DirectoryServerTest, PlaylistsNameTheMp3StreamAndTheBrokenStationIs404) {
  EXPECT_THAT(get("/stream/grachten-jazz.pls"),
              HasSubstr("File1=http://" + dir->host() + "/stream/grachten-jazz.mp3"));
  EXPECT_THAT(get("/stream/duinradio.m3u"), HasSubstr("\nhttp://" + dir->host() + "/stream/duinradio.mp3\n"));
  get("/stream/verdwenen-fm.mp3", 404);
  get("/stream/polder-fm.pls", 404);  // only playlist stations have playlists
  get("/stream/polder-fm.ogg", 404);
  get("/stream/nobody.mp3", 404);
  get("/stream/stil-fm.mp3", 503);  // in the catalogue, but its audio was never made
}

TEST_F(DirectoryServerTest, StreamSendsABurstThenPacesWithChangingIcyTitles) {
  std::string got;
  const auto start = std::chrono::steady_clock::now();
  auto client = dir->client();
  httplib::Headers headers{{"Icy-MetaData", "1"}};
  std::string metaint;
  auto res = client.Get(
      "/stream/polder-fm.mp3", headers,
      [&](const httplib::Response& r) {
        metaint = r.get_header_value("icy-metaint");
        return r.status == 200;
      },
      [&](const char* data, size_t len) {
        got.append(data, len);
        return std::chrono::steady_clock::now() - start < 2500ms;
      });
  EXPECT_EQ(metaint, "1000");
  // 4000 at once, then 8000 a second, plus a length byte per 1000.
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double audioExpected = 4000 + 8000 * seconds;
  EXPECT_GT(got.size(), audioExpected * 0.8);
  EXPECT_LT(got.size(), audioExpected * 1.2 + 8000);

  std::vector<std::string> titles;
  size_t at = 0, audio = 0;
  while (at + 1000 < got.size()) {
    for (size_t i = 0; i < 1000; ++i, ++audio)
      ASSERT_EQ(static_cast<unsigned char>(got[at + i]), (audio % 20000) % 251) << "audio byte " << audio;
    at += 1000;
    const size_t len = static_cast<unsigned char>(got[at]) * 16u;
    if (len && at + 1 + len <= got.size()) titles.push_back(std::string(got.c_str() + at + 1));
    at += 1 + len;
  }
  ASSERT_GE(titles.size(), 2u);
  EXPECT_EQ(titles[0], "StreamTitle='Polder FM - demo part 1';");
  EXPECT_EQ(titles[1], "StreamTitle='Polder FM - demo part 2';");
}

TEST_F(DirectoryServerTest, StreamWithoutIcyRequestIsPlainAudio) {
  std::string got;
  auto res = dir->client().Get("/stream/polder-fm.mp3", [&](const char* data, size_t len) {
    got.append(data, len);
    return got.size() < 3000;
  });
  ASSERT_GE(got.size(), 3000u);
  for (size_t i = 0; i < 3000; ++i) ASSERT_EQ(static_cast<unsigned char>(got[i]), i % 251);
}

TEST_F(DirectoryServerTest, DropStationEndsAfterAWhile) {
  const auto start = std::chrono::steady_clock::now();
  size_t bytes = 0;
  auto res = dir->client().Get("/stream/tulp-rock.mp3", [&](const char*, size_t len) {
    bytes += len;
    return std::chrono::steady_clock::now() - start < 4s;
  });
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_LT(took, 3s);
  EXPECT_GE(took, 250ms);
  EXPECT_GE(bytes, 4000u);
}

TEST_F(DirectoryServerTest, StopEndsOpenStreamsPromptly) {
  std::atomic<size_t> bytes{0};
  std::thread listener([&] {
    auto client = dir->client();
    client.Get("/stream/polder-fm.mp3", [&](const char*, size_t len) {
      bytes += len;
      return true;
    });
  });
  for (int i = 0; i < 200 && bytes < 4000; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_GE(bytes.load(), 4000u);
  const auto start = std::chrono::steady_clock::now();
  dir->stop();
  listener.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
}

TEST_F(DirectoryServerTest, LogsOneSafeLinePerRequest) {
  get("/radio/inter/keuze.php?lang=english");
  get("/radio/inter/zenders/radio-lijst-zoek.php?zoeken=a%0D%0Afake%20line&land=", 200);
  std::vector<std::string> log;
  for (int i = 0; i < 100; ++i) {
    log = dir->log();
    if (log.size() >= 2) break;
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_EQ(log.size(), 2u);
  // A line is written once its answer has gone out, so the two may come in either order.
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& line) {
                            return line.find(" 127.0.0.1 GET /radio/inter/keuze.php?lang=english 200 ") !=
                                   std::string::npos;
                          }),
            1);
  for (const auto& line : log) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(logSafe("a\r\nb\\"), "a\\x0d\\x0ab\\x5c");
}

TEST_F(DirectoryServerTest, StreamListenersAreCapped) {
  dir.reset();
  ServerLimits limits = Directory::fast();
  limits.maxStreams = 1;
  dir = std::make_unique<Directory>(tmp.path("d2.sqlite3"), limits);
  std::atomic<bool> first{false}, done{false};
  std::thread listener([&] {
    auto client = dir->client();
    client.Get("/stream/polder-fm.mp3", [&](const char*, size_t) {
      first = true;
      return !done.load();
    });
  });
  for (int i = 0; i < 200 && !first; ++i) std::this_thread::sleep_for(10ms);
  ASSERT_TRUE(first);
  get("/stream/schelde.mp3", 503);
  EXPECT_NE(get("/radio/inter/keuze.php").find("Holland"), std::string::npos);  // pages still answer
  done = true;
  listener.join();
}

// Exactly the audio due goes out, counted without the titles between it, round and round the loop.
TEST(DemoStreamPacer, SendsWhatIsDueWhateverTheTitlesAddAndNothingOnceStopped) {
  auto loop = std::make_shared<AudioLoop>();
  for (int i = 0; i < 10000; ++i) loop->bytes += static_cast<char>(i % 251);
  loop->bytesPerSecond = 1000;
  for (const size_t metaint : {0, 700}) {
    DemoStreamPacer pacer(loop, "Polder FM", 3000, metaint, 5s);
    std::string out;
    bool stopped = false, fail = false;
    const auto write = [&](std::string_view d) {
      if (fail) return false;
      out += d;
      return true;
    };
    const auto stop = [&] { return stopped; };
    ASSERT_TRUE(pacer.sendDue(0s, write, stop));
    EXPECT_EQ(pacer.audioSent(), 3000u) << metaint;
    ASSERT_TRUE(pacer.sendDue(19500ms, write, stop));
    EXPECT_EQ(pacer.audioSent(), 22500u) << metaint;  // twice round the loop and a quarter
    fail = true;
    EXPECT_FALSE(pacer.sendDue(20s, write, stop));
    stopped = true;
    EXPECT_TRUE(pacer.sendDue(30s, write, stop));
    EXPECT_EQ(pacer.audioSent(), 22500u) << metaint;

    std::string audio = metaint ? "" : out;
    std::vector<std::string> titles;
    if (metaint) unframe(out, metaint, audio, titles);
    ASSERT_EQ(audio.size(), 22500u) << metaint;
    for (size_t i = 0; i < audio.size(); ++i)
      ASSERT_EQ(static_cast<unsigned char>(audio[i]), (i % 10000) % 251) << metaint << " byte " << i;
  }
}
