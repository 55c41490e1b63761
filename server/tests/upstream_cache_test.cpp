#include "answer_memo.h"
#include "server_test_util.h"
#include "upstream_cache.h"

#include <gtest/gtest.h>

using namespace vantor::server;

namespace {

UpStation up(const std::string& uuid, const std::string& country, const std::string& name) {
  return {uuid, country, name, "http://streams.example/" + uuid, "", "MP3", 128};
}

std::vector<std::string> names(const std::vector<UpStation>& stations) {
  std::vector<std::string> out;
  for (const auto& s : stations) out.push_back(s.name);
  return out;
}

SharedAnswer answer(const std::string& text) {
  auto a = std::make_shared<HostedAnswer>();
  a->append(text);
  a->finish();
  return a;
}

void fill(UpstreamCache& cache) {
  cache.storeStations("nl", {up("a1", "nl", "Radio BE Hits"), up("a2", "nl", "Zee FM")}, 1);
  cache.storeStations("be", {up("b1", "be", "Radio Brussel"), up("b2", "be", "Nl Pop")}, 1);
}

}  // namespace

TEST(UpstreamCacheTest, ACountrysCodeIsNoWordOfItsStationNames) {
  TempDir tmp;
  UpstreamCache cache(tmp.path("c.sqlite3"));
  fill(cache);
  EXPECT_EQ(names(cache.search("radio", "be", 50)), std::vector<std::string>{"Radio Brussel"});
  EXPECT_EQ(names(cache.search("be", "nl", 50)), std::vector<std::string>{"Radio BE Hits"});
  EXPECT_EQ(names(cache.search("nl", "", 50)), std::vector<std::string>{"Nl Pop"});
  EXPECT_TRUE(cache.search("zee", "be", 50).empty());
  EXPECT_EQ(names(cache.search("radio", "", 50)),
            (std::vector<std::string>{"Radio BE Hits", "Radio Brussel"}));
  EXPECT_EQ(names(cache.search("b radio", "", 50)),
            (std::vector<std::string>{"Radio BE Hits", "Radio Brussel"}));
  EXPECT_EQ(names(cache.search("hits radio", "", 50)), std::vector<std::string>{"Radio BE Hits"});
  EXPECT_EQ(names(cache.search("radio", "", 1)), std::vector<std::string>{"Radio BE Hits"});
  // A station that moves country is found under its new one only.
  cache.storeStations("be", {up("b1", "be", "Radio Brussel"), up("a2", "be", "Zee FM")}, 2);
  EXPECT_EQ(names(cache.search("zee", "be", 50)), std::vector<std::string>{"Zee FM"});
  EXPECT_TRUE(cache.search("zee", "nl", 50).empty());
}

TEST(AnswerMemoTest, KeepsWhatIsAskedForAndForgetsWhatChanged) {
  AnswerMemo memo(100);
  memo.keep("a", 1, answer(std::string(40, 'a')));
  memo.keep("b", 1, answer(std::string(40, 'b')));
  EXPECT_FALSE(memo.find("a", 2));                  // its list changed since
  ASSERT_TRUE(memo.find("a", 1));                   // asked for: now the most recent
  memo.keep("c", 1, answer(std::string(40, 'c')));  // room is made by the least recently asked, b
  EXPECT_TRUE(memo.find("a", 1));
  EXPECT_FALSE(memo.find("b", 1));
  EXPECT_EQ(memo.find("c", 1)->render(""), std::string(40, 'c'));
  memo.keep("a", 2, answer("new"));
  EXPECT_EQ(memo.find("a", 2)->render(""), "new");
  EXPECT_LE(memo.bytes(), 100u);
  memo.keep("huge", 1, answer(std::string(200, 'h')));  // larger than the whole memo: not kept, nothing lost
  EXPECT_FALSE(memo.find("huge", 1));
  EXPECT_TRUE(memo.find("c", 1));
}
