// The resolver on its own, against a loopback web server: no GStreamer. The test stands in for
// the player: a found stream that "fails" asks for the next candidate.
#include <QNetworkAccessManager>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>

#include "loopback_server.h"
#include "playback/streamresolver.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using playback::Failure;

class StreamResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.server().set_keep_alive_max_count(1);
    server_.server().Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
      std::string type, body, location;
      {
        std::lock_guard lock(mutex_);
        ++hits_[req.path];
        const auto it = pages_.find(req.path);
        if (it == pages_.end()) {
          res.status = 404;
          return;
        }
        std::tie(type, body) = it->second;
      }
      if (type == "redirect") {
        res.set_redirect(body);
        return;
      }
      res.set_content(body, type.c_str());
    });
    server_.start();
    QObject::connect(&resolver_, &StreamResolver::found, [this](const QUrl& url, bool ogg) {
      found_ << url.toString() + (ogg ? QStringLiteral(" (ogg)") : QString());
    });
    QObject::connect(&resolver_, &StreamResolver::rejected,
                     [this](Failure why) { rejected_.push_back(why); });
    QObject::connect(&resolver_, &StreamResolver::exhausted, [this] { ++exhausted_; });
  }

  void page(const std::string& path, const std::string& type, const std::string& body) {
    std::lock_guard lock(mutex_);
    pages_[path] = {type, body};
  }
  int hits(const std::string& path) {
    std::lock_guard lock(mutex_);
    return hits_[path];
  }
  int allHits() {
    std::lock_guard lock(mutex_);
    int n = 0;
    for (const auto& [path, count] : hits_) n += count;
    return n;
  }
  QString url(const std::string& path) const { return server_.url(QString::fromStdString(path)); }
  std::string address(const std::string& path) const { return url(path).toStdString(); }

  // Starts, or goes on to the next candidate, and waits for the outcome (which may come at once).
  void resolve(const std::string& path, StartBudget budget = {}) {
    awaitOutcome([&] { resolver_.start(QUrl(url(path)), budget); });
  }
  void next() {
    awaitOutcome([&] { resolver_.next(); });
  }
  template <typename Step>
  void awaitOutcome(Step step) {
    const auto outcomes = [this] { return found_.size() + qsizetype(rejected_.size()) + exhausted_; };
    const qsizetype before = outcomes();
    step();
    ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes() > before; }, 15000));
  }

  LoopbackServer server_;
  std::mutex mutex_;
  std::map<std::string, std::pair<std::string, std::string>> pages_;
  std::map<std::string, int> hits_;
  QNetworkAccessManager network_;
  StreamResolver resolver_{network_, "ResolverTest/1"};
  QStringList found_;
  std::vector<Failure> rejected_;
  int exhausted_ = 0;
};

TEST_F(StreamResolverTest, AudioAddressesAreLookedAtOnlyWhenThePathSaysNothing) {
  page("/stream", "audio/mpeg", std::string(20000, 'x'));
  resolve("/stream");
  EXPECT_EQ(found_, QStringList{url("/stream")});
  EXPECT_EQ(hits("/stream"), 1);

  // The path names the file type: the player's connection will be the only one.
  page("/live.mp3", "audio/mpeg", "x");
  page("/classic.ogg", "application/ogg", "x");
  resolve("/live.mp3");
  resolve("/classic.ogg");
  EXPECT_EQ(found_.mid(1), (QStringList{url("/live.mp3"), url("/classic.ogg") + " (ogg)"}));
  EXPECT_EQ(hits("/live.mp3") + hits("/classic.ogg"), 0);

  // The content type tells Ogg where the path does not.
  page("/opus", "audio/ogg; codecs=opus", "x");
  resolve("/opus");
  EXPECT_EQ(found_.last(), url("/opus") + " (ogg)");
  EXPECT_TRUE(rejected_.empty());
}

TEST_F(StreamResolverTest, PlaylistsGiveTheirEntriesInOrderAndFollowRedirects) {
  page("/lists/deep/station.pls", "audio/x-scpls",
       "[playlist]\nNumberOfEntries=2\nFile1=" + address("/a.mp3") + "\nFile2=../b.mp3\n");
  page("/radio.m3u", "text/plain", "#EXTM3U\n#EXTINF:-1,Radio\n" + address("/c.mp3") + "\n");
  page("/moved", "redirect", "/lists/deep/station.pls");
  for (const char* stream : {"/a.mp3", "/lists/b.mp3", "/c.mp3"}) page(stream, "audio/mpeg", "x");
  resolve("/moved");
  EXPECT_EQ(found_, QStringList{url("/a.mp3")});
  next();  // the first entry did not play
  // Relative to where the playlist was found, not to the address given.
  EXPECT_EQ(found_.last(), url("/lists/b.mp3"));
  next();
  EXPECT_EQ(exhausted_, 1);

  resolve("/radio.m3u");  // served as text: the name and the content say m3u
  EXPECT_EQ(found_.last(), url("/c.mp3"));
  EXPECT_EQ(hits("/moved") + hits("/lists/deep/station.pls") + hits("/radio.m3u"), 3);
  EXPECT_TRUE(rejected_.empty());
}

TEST_F(StreamResolverTest, UnplayableCandidatesAreRejectedWithTheirReason) {
  page("/empty.pls", "audio/x-scpls", "[playlist]\nNumberOfEntries=0\n");
  page("/local.m3u", "audio/x-mpegurl", "file:///etc/passwd\n");
  const struct {
    const char* path;
    Failure why;
  } cases[] = {{"/missing", Failure::NotFound},
               {"/empty.pls", Failure::Unreadable},
               {"/local.m3u", Failure::Unreadable}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    rejected_.clear();
    resolve(c.path);
    ASSERT_EQ(rejected_.size(), 1u);
    EXPECT_EQ(rejected_.front(), c.why);
  }
  for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/x.mp3", "fd://0"}) {
    SCOPED_TRACE(address);
    rejected_.clear();
    resolver_.start(QUrl(QString::fromLatin1(address)), {});
    ASSERT_EQ(rejected_.size(), 1u);
    EXPECT_EQ(rejected_.front(), Failure::Unreadable);
    resolver_.next();
  }
  EXPECT_TRUE(found_.isEmpty());
  EXPECT_EQ(PlayableStream(QUrl(QStringLiteral("icy://127.0.0.1:8000/live"))),
            QUrl(QStringLiteral("http://127.0.0.1:8000/live")));
}

// Ten playlists of ten playlists of ten streams: the budget ends the start, whatever the tree.
TEST_F(StreamResolverTest, APlaylistTreeEndsAtTheBudget) {
  std::string root = "[playlist]\n";
  for (int i = 1; i <= 10; ++i) {
    std::string branch = "[playlist]\n";
    for (int j = 1; j <= 10; ++j) {
      const std::string leaf = "/leaf" + std::to_string(i) + "-" + std::to_string(j) + ".pls";
      branch += "File" + std::to_string(j) + "=" + address(leaf) + "\n";
      std::string streams = "[playlist]\n";
      for (int k = 1; k <= 10; ++k)
        streams += "File" + std::to_string(k) + "=" + address("/dead" + std::to_string(k)) + ".mp3\n";
      page(leaf, "audio/x-scpls", streams);
    }
    page("/branch" + std::to_string(i) + ".pls", "audio/x-scpls", branch);
    root += "File" + std::to_string(i) + "=" + address("/branch" + std::to_string(i) + ".pls") + "\n";
  }
  page("/tree.pls", "audio/x-scpls", root);
  for (int k = 1; k <= 10; ++k) page("/dead" + std::to_string(k) + ".mp3", "audio/mpeg", "x");
  // Every stream fails and every rejection moves on, as the player does.
  QObject::connect(&resolver_, &StreamResolver::found, [this] {
    QMetaObject::invokeMethod(&resolver_, &StreamResolver::next, Qt::QueuedConnection);
  });
  QObject::connect(&resolver_, &StreamResolver::rejected, [this] {
    QMetaObject::invokeMethod(&resolver_, &StreamResolver::next, Qt::QueuedConnection);
  });
  for (const StartBudget budget : {StartBudget{3, 50}, StartBudget{8, 12}}) {
    SCOPED_TRACE(testing::Message() << budget.maxPlaylists << " playlists, " << budget.maxCandidates
                                    << " addresses");
    found_.clear();
    const int before = allHits();
    resolver_.start(QUrl(url("/tree.pls")), budget);
    ASSERT_TRUE(QTest::qWaitFor([&] { return exhausted_ > 0; }, 20000));
    exhausted_ = 0;
    // One request a candidate at most: playlists beyond the budget are only looked at.
    EXPECT_LE(allHits() - before, budget.maxCandidates);
    EXPECT_LE(found_.size(), budget.maxCandidates);
    QTest::qWait(200);
    EXPECT_EQ(exhausted_, 0) << "one end of a start";
  }
  EXPECT_EQ(found_.size(), 12 - 3);  // tree, branch1 and leaf1-1 read, then nine streams
}

}  // namespace
