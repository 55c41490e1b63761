#include "directory_server.h"
#include "fake_upstream.h"
#include "play_list.h"
#include "server_test_util.h"
#include "upstream_directory.h"

#include "directory/tagscanner.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <QString>

#include <mutex>
#include <thread>

using namespace vantor::server;
using namespace std::chrono_literals;

namespace {

Catalogue demoCatalogue() {
  Catalogue cat;
  cat.countries.push_back({"holland",
                           "Holland",
                           "The Netherlands",
                           "nl",
                           {{"polder-fm", "Polder FM", "pop", StreamKind::Mp3, 64, "h/p"}}});
  return cat;
}

struct Scanned {
  std::vector<std::string> a, b, c;
};

// Read back the way the program reads a list.
Scanned scan(const std::string& body, const QStringList& names) {
  const auto lists = scanTags(QString::fromUtf8(body), names);
  Scanned out;
  std::vector<std::string>* into[] = {&out.a, &out.b, &out.c};
  for (qsizetype i = 0; i < lists.size(); ++i)
    for (const auto& s : lists[i]) into[i]->push_back(s.toStdString());
  return out;
}

// The directory server fed from one or more upstream mirrors, on loopback.
class Served {
 public:
  Served(const std::string& dbPath, std::vector<std::string> mirrors, UpstreamPolicy policy = quick())
      : Served(dbPath, policy, quick(std::move(mirrors))) {}
  Served(const std::string& dbPath, UpstreamPolicy policy, UpstreamOptions options)
      : db_(dbPath),
        cache_(dbPath),
        client_(options, [this](const std::string& l) { log(l); }),
        source_(cache_, client_, policy, [this](const std::string& l) { log(l); }) {
    db_.replaceCatalogue(demoCatalogue());
    server_ = std::make_unique<DirectoryServer>(db_, audio_, ServerLimits{}, [](const std::string&) {});
    server_->setStationSource(&source_);
    port_ = server_->bind("127.0.0.1", 0);
    thread_ = std::thread([this] { server_->run(); });
    for (int i = 0; i < 200 && !server_->isRunning(); ++i) std::this_thread::sleep_for(5ms);
  }
  ~Served() {
    server_->stop();
    thread_.join();
  }
  static UpstreamPolicy quick() {
    UpstreamPolicy p;
    p.firstWait = 3000ms;
    return p;
  }
  static UpstreamOptions quick(std::vector<std::string> mirrors) {
    UpstreamOptions o;
    o.mirrors = std::move(mirrors);
    o.connectTimeout = 1000ms;
    o.timeout = 1500ms;
    o.maxReplyBytes = 4 * 1024 * 1024;
    return o;
  }

  int port() const { return port_; }
  std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
  httplib::Result get(const std::string& path, const httplib::Headers& headers = {}) {
    httplib::Client c("127.0.0.1", port_);
    c.set_read_timeout(15, 0);
    return c.Get(path, headers);
  }
  std::string body(const std::string& path) {
    auto res = get(path);
    EXPECT_TRUE(res) << path;
    return res ? res->body : std::string();
  }
  UpstreamDirectory& source() { return source_; }
  UpstreamCache& cache() { return cache_; }
  std::string logged() {
    std::lock_guard lock(logMutex_);
    return log_;
  }

 private:
  void log(const std::string& line) {
    std::lock_guard lock(logMutex_);
    log_ += line + "\n";
  }
  std::mutex logMutex_;
  std::string log_;
  DirectoryDb db_;
  UpstreamCache cache_;
  UpstreamClient client_;
  UpstreamDirectory source_;
  AudioLibrary audio_;
  std::unique_ptr<DirectoryServer> server_;
  std::thread thread_;
  int port_ = -1;
};

class UpstreamDirectoryTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_GT(upstream.start(), 0); }
  std::string db() const { return tmp.path("d.sqlite3"); }
  TempDir tmp;
  FakeUpstream upstream{"http://streams.example"};
};

const char* kList = "/radio/inter/zenders/";
const char* kSearch = "/radio/inter/zenders/radio-lijst-zoek.php?zoeken=";

}  // namespace

TEST_F(UpstreamDirectoryTest, CountriesReadBackByTheProgramsScannerInBothLanguages) {
  Served s(db(), {upstream.base()});
  const Scanned nl = scan(s.body("/radio/inter/keuze.php"), {"naam", "bestand"});
  ASSERT_EQ(nl.a.size(), nl.b.size());
  ASSERT_EQ(nl.a.size(), 9u);  // twelve upstream entries, three unusable
  EXPECT_EQ(nl.a[0], "Holland");
  EXPECT_EQ(nl.b[0], "nl.txt");
  EXPECT_EQ(nl.a[1], "\xC3\x85land Islands");  // no Dutch name of our own: the upstream's
  EXPECT_EQ(nl.a[2], "Belgi\xC3\xAB");
  EXPECT_EQ(nl.b[2], "be.txt");
  for (const auto& name : nl.a) EXPECT_EQ(name.find_first_of("<>"), std::string::npos) << name;

  const Scanned en = scan(s.body("/radio/inter/keuze.php?lang=english"), {"naam", "bestand"});
  ASSERT_EQ(en.a.size(), 9u);
  EXPECT_EQ(en.a[0], "The Netherlands");
  EXPECT_EQ(en.a[3], "Belgium");
  EXPECT_EQ(upstream.lastUserAgent(), "VantorDirectory/2.0");
  EXPECT_NE(upstream.lastAcceptEncoding().find("gzip"), std::string::npos);
}

TEST_F(UpstreamDirectoryTest, StationListsStayParallelAndPointAtPlay) {
  Served s(db(), {upstream.base()});
  const std::string body = s.body(std::string(kList) + "nl.txt");
  const Scanned nl = scan(body, {"naam", "url", "homepage"});
  // Fourteen in the fixture: no address, blank name and ftp are left out.
  ASSERT_EQ(nl.a.size(), 11u) << body;
  ASSERT_EQ(nl.b.size(), 11u);
  ASSERT_EQ(nl.c.size(), 11u);
  const std::vector<std::string> names{"Café Ümlaut Klassiek 🎻",  "éénmalig Radio",
                                       "Grachtengordel Jazz",     "Hitradio http://evil.example/",
                                       "Noordzee \"Golf\" Radio", "Omroep HLS Live",
                                       "Polderstad FM",           "Polderstad FM",
                                       "Radio Zeeuws-Vlaanderen", "Rock & Roll ‹3 Radio",
                                       "Stadsomroep Zonder Adres"};
  EXPECT_EQ(nl.a, names);
  const auto cached = s.cache().stationsOf("nl");
  ASSERT_EQ(cached.size(), 11u);
  for (size_t i = 0; i < cached.size(); ++i) {
    EXPECT_EQ(nl.a[i], cached[i].name);
    EXPECT_EQ(nl.b[i], "http://" + s.host() + "/play/" + cached[i].uuid);
    EXPECT_EQ(nl.c[i], cached[i].homepage);
  }
  EXPECT_EQ(nl.c[0], "umlaut.example/");
  EXPECT_EQ(body.find("evil.example/</url>"), std::string::npos);
  EXPECT_EQ(body.find("javascript"), std::string::npos);

  // The shipped settings still name holland.txt; the big country arrives whole.
  EXPECT_EQ(s.body(std::string(kList) + "holland.txt"), body);
  ASSERT_EQ(scan(s.body(std::string(kList) + "de.txt"), {"naam", "url", "homepage"}).b.size(), 2000u)
      << s.logged();
  const auto de = s.cache().stationsOf("de");
  // Most listened first, then most voted.
  EXPECT_TRUE(std::is_sorted(de.begin(), de.end(), [](const UpStation& a, const UpStation& b) {
    return std::pair(a.clicks, a.votes) > std::pair(b.clicks, b.votes);
  }));
  EXPECT_EQ(de.front().clicks, 999);
  const auto welle = scan(s.body(kSearch + std::string("welle&land=de")), {"naam", "url", "homepage"}).a;
  ASSERT_GT(welle.size(), 2u);
  const auto clicksOf = [&](const std::string& name) {
    return std::find_if(de.begin(), de.end(), [&](const UpStation& x) { return x.name == name; })->clicks;
  };
  EXPECT_GE(clicksOf(welle[0]), clicksOf(welle[1]));
  EXPECT_GE(clicksOf(welle[1]), clicksOf(welle.back()));
  for (const char* bad : {"zz.txt", "n1.txt", "..%2Fnl.txt", "nl", "nld.txt"}) {
    auto res = s.get(std::string(kList) + bad);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404) << bad;
  }
}

TEST_F(UpstreamDirectoryTest, SearchWordsAreTextNotQuerySyntax) {
  Served s(db(), {upstream.base()});
  const auto names = [&](const std::string& query) {
    return scan(s.body(kSearch + query), {"naam", "url", "homepage"}).a;
  };
  EXPECT_EQ(names("jazz&land=nl"), std::vector<std::string>{"Grachtengordel Jazz"});
  EXPECT_EQ(names("cafe&land=nl"), std::vector<std::string>{"Café Ümlaut Klassiek 🎻"});  // accents folded
  EXPECT_EQ(names("%22Golf%22&land=nl"), std::vector<std::string>{"Noordzee \"Golf\" Radio"});
  EXPECT_EQ(names("polderstad%20fm&land=holland").size(), 2u);
  for (const char* syntax : {"jazz%20OR%20rock&land=nl", "NOT%20jazz&land=", "name%3Ajazz&land=",
                             "jazz)&land=", "*&land=", "NEAR(a%20b)&land="})
    EXPECT_EQ(s.get(kSearch + std::string(syntax))->status, 200) << syntax;
  EXPECT_TRUE(names("jazz%20OR%20rock&land=nl").empty());  // OR is a word here, found in no name
  // All countries: the upstream's search fills in stations of countries not yet fetched.
  const auto all = names("jazz&land=");
  EXPECT_NE(std::find(all.begin(), all.end(), "Ardennen Jazz & Blues"), all.end());
  EXPECT_EQ(names("frietkot&land=be"), std::vector<std::string>{"Radio Frietkot"});
  const int searches = upstream.requests("/json/stations/search");
  names("jazz&land=");
  EXPECT_EQ(upstream.requests("/json/stations/search"), searches);  // remembered, not asked again
}

TEST_F(UpstreamDirectoryTest, FailingFirstMirrorIsSkippedForAWhile) {
  FakeUpstream broken;
  broken.setBehaviour(FakeUpstream::Behaviour::Error500);
  ASSERT_GT(broken.start(), 0);
  // The mirrors as a DNS look-up finds them: asked for once, then tried in turn.
  UpstreamOptions options = Served::quick({});
  int discovered = 0;
  options.discover = [&] {
    ++discovered;
    return std::vector<std::string>{"http://127.0.0.1:1/", broken.base(), upstream.base()};
  };
  Served s(db(), Served::quick(), options);
  EXPECT_EQ(scan(s.body("/radio/inter/keuze.php"), {"naam", "bestand"}).a.at(0), "Holland");
  EXPECT_EQ(scan(s.body(std::string(kList) + "be.txt"), {"naam", "url", "homepage"}).a.size(), 4u);
  EXPECT_EQ(broken.requests("/json/"), 1);  // once, then left alone
  EXPECT_EQ(discovered, 1);
  EXPECT_NE(s.logged().find("127.0.0.1:1/ failed"), std::string::npos) << s.logged();
}

TEST_F(UpstreamDirectoryTest, CacheAnswersWhenTheUpstreamIsGoneAndRefreshesStaleListsInTheBackground) {
  const std::string first = [&] {
    Served s(db(), {upstream.base()});
    s.body("/radio/inter/keuze.php");
    return s.body(std::string(kList) + "nl.txt");
  }();
  const auto names = [](const std::string& body) { return scan(body, {"naam", "url", "homepage"}).a; };
  ASSERT_EQ(names(first).size(), 11u);

  UpstreamPolicy stale = Served::quick();
  stale.maxAge = 0s;
  {
    Served s(db(), {upstream.base()}, stale);
    const int before = upstream.requests("/json/stations/bycountrycodeexact/nl");
    EXPECT_EQ(names(s.body(std::string(kList) + "nl.txt")), names(first));
    s.source().settle();
    EXPECT_EQ(upstream.requests("/json/stations/bycountrycodeexact/nl"), before + 1);
    // A directory that suddenly knows nothing is a glitch, not a reason to forget.
    upstream.setBehaviour(FakeUpstream::Behaviour::Empty);
    s.body("/radio/inter/keuze.php");
    s.body(std::string(kList) + "nl.txt");
    s.source().settle();
    EXPECT_EQ(names(s.body(std::string(kList) + "nl.txt")), names(first));
    EXPECT_EQ(scan(s.body("/radio/inter/keuze.php"), {"naam", "bestand"}).a.size(), 9u);
    upstream.setBehaviour(FakeUpstream::Behaviour::Normal);
  }
  upstream.stop();
  Served s(db(), {upstream.base()}, stale);
  EXPECT_EQ(names(s.body(std::string(kList) + "nl.txt")), names(first));
  EXPECT_NE(s.body(kSearch + std::string("jazz&land=nl")).find("Grachtengordel"), std::string::npos);
}

TEST_F(UpstreamDirectoryTest, WithNeitherCacheNorUpstreamTheDemoCatalogueAnswers) {
  upstream.stop();
  Served s(db(), {upstream.base()});
  EXPECT_EQ(s.body("/radio/inter/keuze.php"), "<naam>Holland</naam>\n<bestand>holland.txt</bestand>\n");
  EXPECT_NE(s.body(std::string(kList) + "holland.txt").find("/stream/polder-fm.mp3"), std::string::npos);
  EXPECT_NE(s.body(kSearch + std::string("polder&land=")).find("<naam>Polder FM</naam>"), std::string::npos);
  // A country the directory has not sent yet is an empty list for now, marked as such.
  const auto awaited = s.get(std::string(kList) + "nl.txt");
  EXPECT_EQ(awaited->status, 200);
  EXPECT_EQ(scan(awaited->body, {"voorlopig", "naam"}).a.size(), 1u);
  EXPECT_TRUE(scan(awaited->body, {"voorlopig", "naam"}).b.empty());
  EXPECT_EQ(s.get(std::string(kList) + "atlantis.txt")->status, 404);
}

TEST_F(UpstreamDirectoryTest, OfflineStartShowsDemoHonestlyThenTheUpstreamTakesOverWithoutARestart) {
  const int port = freePort();
  UpstreamOptions options = Served::quick({"http://127.0.0.1:" + std::to_string(port) + "/"});
  options.mirrorPause = 1s;
  Served s(db(), Served::quick(), options);
  s.source().prefetch();
  EXPECT_EQ(s.body("/radio/inter/keuze.php"), "<naam>Holland</naam>\n<bestand>holland.txt</bestand>\n");
  EXPECT_NE(s.body("/radio/inter/website/index.php?wat=home&lang=english").find("<b>Offline.</b>"),
            std::string::npos);
  const auto provisional = [&](const std::string& file) {
    return scan(s.body(std::string(kList) + file), {"voorlopig", "naam"});
  };
  const Scanned demo = provisional("holland.txt");
  EXPECT_EQ(demo.a, std::vector<std::string>{"ja"});
  EXPECT_EQ(demo.b, std::vector<std::string>{"Polder FM"});

  FakeUpstream late{"http://streams.example"};
  ASSERT_EQ(late.start(port), port);
  std::vector<std::string> countries;
  for (int i = 0; i < 600 && countries.size() != 9; ++i) {
    std::this_thread::sleep_for(100ms);
    countries = scan(s.body("/radio/inter/keuze.php"), {"naam", "bestand"}).a;
  }
  EXPECT_EQ(countries.size(), 9u) << s.logged();
  EXPECT_EQ(s.body("/radio/inter/website/index.php?wat=home&lang=english").find("Offline"),
            std::string::npos);
  EXPECT_EQ(scan(s.body(std::string(kList) + "nl.txt"), {"naam", "url", "homepage"}).a.size(), 11u);
  // The demo's file names follow: what was chosen offline now lists the directory's stations.
  const Scanned real = provisional("holland.txt");
  EXPECT_TRUE(real.a.empty());
  EXPECT_EQ(real.b.size(), 11u);
}

TEST_F(UpstreamDirectoryTest, PlayCountsOncePerListenerAndDayAndRedirects) {
  Served s(db(), {upstream.base()});
  const auto nl = scan(s.body(std::string(kList) + "nl.txt"), {"naam", "url", "homepage"});
  const auto grachten = std::find(nl.a.begin(), nl.a.end(), "Grachtengordel Jazz") - nl.a.begin();
  const std::string path = nl.b.at(grachten).substr(("http://" + s.host()).size());
  const std::string uuid = path.substr(6);
  for (int i = 0; i < 3; ++i) {
    auto res = s.get(path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 302);
    EXPECT_EQ(res->get_header_value("Location"), "http://streams.example/stream/grachten-jazz.pls");
  }
  s.source().settle();
  EXPECT_EQ(upstream.clicks(uuid), 1);
  for (const char* bad :
       {"/play/", "/play/00000000-0000-0000-0000-000000000000", "/play/..%2Fx", "/play/a%0d%0ab"})
    EXPECT_EQ(s.get(bad)->status, 404) << bad;
}

TEST_F(UpstreamDirectoryTest, HostileUpstreamNeverTakesTheServerDownOrStallsOthers) {
  using B = FakeUpstream::Behaviour;
  for (B b : {B::Huge, B::InvalidJson, B::Endless, B::Slow, B::Nested, B::GzipBomb}) {
    SCOPED_TRACE(static_cast<int>(b));
    TempDir dir;
    upstream.setBehaviour(b);
    UpstreamPolicy policy = Served::quick();
    policy.firstWait = 500ms;
    UpstreamOptions options = Served::quick({upstream.base()});
    options.mirrorPause = 0s;  // every request goes upstream again
    Served s(dir.path("d.sqlite3"), policy, options);

    std::vector<std::thread> waiting;
    for (int i = 0; i < 8; ++i) waiting.emplace_back([&] { s.get("/radio/inter/keuze.php"); });
    const auto start = std::chrono::steady_clock::now();
    auto about = s.get("/radio/inter/website/index.php?wat=about");
    ASSERT_TRUE(about);
    EXPECT_EQ(about->status, 200);
    // Well under the upstream's 1.5 s time-out and the slow reply's 3 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1200ms);
    // The demo catalogue answers while the upstream misbehaves.
    EXPECT_EQ(scan(s.body("/radio/inter/keuze.php"), {"naam", "bestand"}).b.at(0), "holland.txt");
    for (auto& t : waiting) t.join();
    if (b == B::GzipBomb) {  // the bound holds for what the reply inflates to
      EXPECT_NE(s.logged().find("reply larger than"), std::string::npos) << s.logged();
    }
    // Nothing yet: an empty list, marked so the program asks again.
    EXPECT_EQ(s.body(std::string(kList) + "de.txt"), "<voorlopig>ja</voorlopig>\n");
    // Once the upstream behaves, its stations arrive.
    upstream.setBehaviour(B::Normal);
    s.source().settle();
    s.get(std::string(kList) + "de.txt");
    s.source().settle();
    EXPECT_EQ(s.get(std::string(kList) + "de.txt")->status, 200);
  }
}

// One list made for everyone, each client reading its own Host in the addresses, also when the
// list is sent in pieces and the Host is none we would write back.
TEST_F(UpstreamDirectoryTest, ClientsAtOnceWithHostsOfTheirOwnEachGetTheirOwnList) {
  Served s(db(), {upstream.base()});
  ASSERT_EQ(s.get(std::string(kList) + "de.txt")->status, 200);
  const auto de = s.cache().stationsOf("de");
  std::vector<std::string> hosts{"bad host"};
  for (int i = 0; i < 12; ++i)
    hosts.push_back(std::string(i * 7 + 1, 'a' + i) + ".example:" + std::to_string(i));
  std::vector<std::string> lists(hosts.size()), found(hosts.size());
  std::vector<std::thread> clients;
  for (size_t i = 0; i < hosts.size(); ++i)
    clients.emplace_back([&, i] {
      const httplib::Headers host{{"Host", hosts[i]}};
      if (auto res = s.get(std::string(kList) + "de.txt", host)) lists[i] = res->body;
      if (auto res = s.get(kSearch + std::string("welle&land=de"), host)) found[i] = res->body;
    });
  for (auto& t : clients) t.join();
  for (size_t i = 0; i < hosts.size(); ++i) {
    const std::string host = i == 0 ? s.host() : hosts[i];
    EXPECT_EQ(lists[i], playListAnswer(de, host)) << hosts[i];
    EXPECT_EQ(found[i], playListAnswer(s.cache().search("welle", "de", 500), host)) << hosts[i];
  }
}
