#include "answer_memo.h"
#include "play_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vantor::server;

namespace {

std::vector<UpStation> stations() {
  return {{"aa-01", "nl", "Café Ümlaut", "http://a/x", "www.ok.example/", "MP3", 128},
          {"aa-02", "nl", "No home page", "http://b/y", "", "AAC", 64},
          {"aa-03", "nl", "R", "http://c/z", "c.example/a?b=1", "MP3", 0}};
}

}  // namespace

// What a client reads is the list as playListAnswer() writes it for its own Host, however the
// sender cuts it into pieces.
TEST(SharedAnswer, AnyPieceOfTheSharedListIsThatOfTheListForThisHost) {
  const auto list = playList(stations());
  for (const std::string& host :
       std::vector<std::string>{"127.0.0.1:8047", "h", "[::1]:8047", std::string(255, 'x')}) {
    const std::string whole = playListAnswer(stations(), host);
    ASSERT_EQ(list->size(host.size()), whole.size()) << host;
    EXPECT_EQ(list->render(host), whole);
    for (size_t piece : {1, 7, 64, 4096}) {
      std::string sent;
      for (size_t at = 0; at < whole.size(); at += piece) list->write(at, piece, host, sent);
      EXPECT_EQ(sent, whole) << host << " in pieces of " << piece;
    }
  }
  EXPECT_EQ(playList({})->render("h"), "");
}

// Fifty clients at once cost one list; it stays shared while some of them still hold it, even
// when it is too large to keep, and is made again once nobody does.
TEST(SharedAnswer, RequestsAtOnceShareOneMakingAndNothingOutlivesThem) {
  AnswerMemo memo(0);  // keeps nothing
  std::atomic<int> made{0};
  const auto make = [&] {
    ++made;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // others arrive meanwhile
    return playList(stations());
  };
  std::vector<SharedAnswer> got(16);
  std::vector<std::thread> clients;
  for (auto& g : got) clients.emplace_back([&] { g = memo.get("list|nl", 1, make); });
  for (auto& t : clients) t.join();
  EXPECT_EQ(made, 1);
  for (const auto& g : got) EXPECT_EQ(g, got[0]);
  EXPECT_NE(memo.get("list|nl", 2, make), got[0]);  // its list changed
  EXPECT_EQ(made, 2);
  const std::weak_ptr<const HostedAnswer> first = got[0];
  got.clear();
  EXPECT_TRUE(first.expired());
  memo.get("list|nl", 1, make);
  EXPECT_EQ(made, 3);
  EXPECT_EQ(memo.get("none", 1, [] { return SharedAnswer(); }), nullptr);
}
