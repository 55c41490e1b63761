#include "answer_memo.h"
#include "server_test_util.h"
#include "upstream_cache.h"

#include <gtest/gtest.h>

using namespace vantor::server;

namespace {

UpStation Up(const std::string &uuid, const std::string &country, const std::string &name)
{
    return {uuid, country, name, "http://streams.example/" + uuid, "", "MP3", 128};
}

std::vector<std::string> Names(const std::vector<UpStation> &stations)
{
    std::vector<std::string> out;
    for (const auto &s : stations)
        out.push_back(s.name);
    return out;
}

void Fill(UpstreamCache &cache)
{
    cache.StoreStations("nl", {Up("a1", "nl", "Radio BE Hits"), Up("a2", "nl", "Zee FM")}, 1);
    cache.StoreStations("be", {Up("b1", "be", "Radio Brussel"), Up("b2", "be", "Nl Pop")}, 1);
}

}  // namespace

TEST(UpstreamCacheTest, ACountrysCodeIsNoWordOfItsStationNames)
{
    TempDir tmp;
    UpstreamCache cache(tmp.Path("c.sqlite3"));
    Fill(cache);
    EXPECT_EQ(Names(cache.Search("radio", "be", 50)), std::vector<std::string>{"Radio Brussel"});
    EXPECT_EQ(Names(cache.Search("be", "nl", 50)), std::vector<std::string>{"Radio BE Hits"});
    EXPECT_EQ(Names(cache.Search("nl", "", 50)), std::vector<std::string>{"Nl Pop"});
    EXPECT_TRUE(cache.Search("zee", "be", 50).empty());
    EXPECT_EQ(Names(cache.Search("radio", "", 50)), (std::vector<std::string>{"Radio BE Hits", "Radio Brussel"}));
    EXPECT_EQ(Names(cache.Search("b radio", "", 50)), (std::vector<std::string>{"Radio BE Hits", "Radio Brussel"}));
    EXPECT_EQ(Names(cache.Search("hits radio", "", 50)), std::vector<std::string>{"Radio BE Hits"});
    EXPECT_EQ(Names(cache.Search("radio", "", 1)), std::vector<std::string>{"Radio BE Hits"});
    // A station that moves country is found under its new one only.
    cache.StoreStations("be", {Up("b1", "be", "Radio Brussel"), Up("a2", "be", "Zee FM")}, 2);
    EXPECT_EQ(Names(cache.Search("zee", "be", 50)), std::vector<std::string>{"Zee FM"});
    EXPECT_TRUE(cache.Search("zee", "nl", 50).empty());
}

TEST(AnswerMemoTest, KeepsWhatIsAskedForAndForgetsWhatChanged)
{
    AnswerMemo memo(100);
    memo.Keep("a", 1, std::string(40, 'a'));
    memo.Keep("b", 1, std::string(40, 'b'));
    EXPECT_FALSE(memo.Find("a", 2));  // its list changed since
    ASSERT_TRUE(memo.Find("a", 1));   // asked for: now the most recent
    memo.Keep("c", 1, std::string(40, 'c'));  // room is made by the least recently asked, b
    EXPECT_TRUE(memo.Find("a", 1));
    EXPECT_FALSE(memo.Find("b", 1));
    EXPECT_EQ(memo.Find("c", 1).value_or(""), std::string(40, 'c'));
    memo.Keep("a", 2, "new");
    EXPECT_EQ(memo.Find("a", 2).value_or(""), "new");
    EXPECT_LE(memo.Bytes(), 100u);
    memo.Keep("huge", 1, std::string(200, 'h'));  // larger than the whole memo: not kept, nothing lost
    EXPECT_FALSE(memo.Find("huge", 1));
    EXPECT_TRUE(memo.Find("c", 1));
}
