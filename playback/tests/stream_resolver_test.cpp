// The resolver on its own: no network, no GStreamer. The test stands in for the player: it
// "plays" each found address, answers with a playlist where the fake station has one, and asks
// for the next candidate when a stream "fails".
#include <QTest>

#include <gtest/gtest.h>

#include <map>

#include "playback/streamresolver.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using playback::Failure;
using playlist::Format;

const QString kStation = QStringLiteral("http://127.0.0.1:8000");

class StreamResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    QObject::connect(&resolver_, &StreamResolver::found,
                     [this](const QUrl& url) { found_ << url.toString(); });
    QObject::connect(&resolver_, &StreamResolver::rejected,
                     [this](Failure why) { rejected_.push_back(why); });
    QObject::connect(&resolver_, &StreamResolver::exhausted, [this] { ++exhausted_; });
  }

  static QString url(const std::string& path) { return kStation + QString::fromStdString(path); }
  static QByteArray address(const std::string& path) { return url(path).toUtf8(); }
  void start(const std::string& path, StartBudget budget = {}) { resolver_.start(QUrl(url(path)), budget); }
  // The address last found answered with this playlist.
  void answer(Format format, const QByteArray& body, const std::string& foundAt) {
    resolver_.expand(format, body, QUrl(url(foundAt)));
  }

  StreamResolver resolver_;
  QStringList found_;
  std::vector<Failure> rejected_;
  int exhausted_ = 0;
};

TEST_F(StreamResolverTest, PlaylistsGiveTheirEntriesInOrderRelativeToWhereTheyWereFound) {
  start("/moved");
  EXPECT_EQ(found_, QStringList{url("/moved")});
  // The pipeline was redirected: the playlist was found elsewhere.
  answer(Format::Pls, "[playlist]\nNumberOfEntries=2\nFile1=" + address("/a.mp3") + "\nFile2=../b.mp3\n",
         "/lists/deep/station.pls");
  EXPECT_EQ(found_.last(), url("/a.mp3"));
  resolver_.next();  // the first entry did not play
  EXPECT_EQ(found_.last(), url("/lists/b.mp3"));
  resolver_.next();
  EXPECT_EQ(exhausted_, 1);

  start("/radio");
  answer(Format::M3u, "#EXTM3U\n#EXTINF:-1,Radio\n" + address("/c.mp3") + "\n", "/radio");
  EXPECT_EQ(found_.last(), url("/c.mp3"));
  EXPECT_TRUE(rejected_.empty());
}

TEST_F(StreamResolverTest, UnplayableCandidatesAreRejectedWithTheirReason) {
  const struct {
    Format format;
    QByteArray body;
  } lists[] = {{Format::Pls, "[playlist]\nNumberOfEntries=0\n"}, {Format::M3u, "file:///etc/passwd\n"}};
  for (const auto& l : lists) {
    SCOPED_TRACE(l.body.toStdString());
    rejected_.clear();
    start("/list");
    answer(l.format, l.body, "/list");
    ASSERT_EQ(rejected_.size(), 1u);
    EXPECT_EQ(rejected_.front(), Failure::Unreadable);
    resolver_.next();
  }
  for (const char* address : {"file:///etc/passwd", "ftp://127.0.0.1/x.mp3", "fd://0"}) {
    SCOPED_TRACE(address);
    rejected_.clear();
    resolver_.start(QUrl(QString::fromLatin1(address)), {});
    ASSERT_EQ(rejected_.size(), 1u);
    EXPECT_EQ(rejected_.front(), Failure::Unreadable);
    resolver_.next();
  }
  EXPECT_EQ(found_, QStringList(2, url("/list")));
  EXPECT_EQ(exhausted_, 5);
  // icy and icyx are HTTP under another name.
  EXPECT_EQ(playableStream(QUrl(QStringLiteral("icy://127.0.0.1:8000/live"))),
            QUrl(QStringLiteral("http://127.0.0.1:8000/live")));
  EXPECT_EQ(playableStream(QUrl(QStringLiteral("ICYX://host/x"))), QUrl(QStringLiteral("http://host/x")));
}

TEST_F(StreamResolverTest, PlaylistsNestTwoLevelsDeepAtMost) {
  start("/0.pls");
  for (int level = 1; level <= 4; ++level) {
    const std::string at = std::to_string(level - 1) + ".pls";
    answer(Format::Pls, "[playlist]\nFile1=" + QByteArray::fromStdString(std::to_string(level)) + ".pls\n",
           "/" + at);
  }
  EXPECT_EQ(found_, (QStringList{url("/0.pls"), url("/1.pls"), url("/2.pls"), url("/3.pls")}));
  ASSERT_EQ(rejected_.size(), 1u) << "the playlist of the third level is not read";
  EXPECT_EQ(rejected_.front(), Failure::Unreadable);
}

// Ten playlists of ten playlists of ten streams: the budget ends the start, whatever the tree.
TEST_F(StreamResolverTest, APlaylistTreeEndsAtTheBudget) {
  std::map<QString, QByteArray> playlists;
  QByteArray root = "[playlist]\n";
  for (int i = 1; i <= 10; ++i) {
    const std::string branchPath = "/branch" + std::to_string(i) + ".pls";
    QByteArray branch = "[playlist]\n";
    for (int j = 1; j <= 10; ++j) {
      const std::string leaf = "/leaf" + std::to_string(i) + "-" + std::to_string(j) + ".pls";
      branch += "File" + QByteArray::number(j) + "=" + address(leaf) + "\n";
      QByteArray streams = "[playlist]\n";
      for (int k = 1; k <= 10; ++k)
        streams +=
            "File" + QByteArray::number(k) + "=" + address("/dead" + std::to_string(k) + ".mp3") + "\n";
      playlists[url(leaf)] = streams;
    }
    playlists[url(branchPath)] = branch;
    root += "File" + QByteArray::number(i) + "=" + address(branchPath) + "\n";
  }
  playlists[url("/tree.pls")] = root;
  // Each found address is one connection: a playlist answers with its body, a stream fails.
  QObject::connect(&resolver_, &StreamResolver::found, [&](const QUrl& found) {
    const auto it = playlists.find(found.toString());
    QMetaObject::invokeMethod(
        &resolver_,
        [this, it, end = playlists.end(), found] {
          if (it == end)
            resolver_.next();
          else
            resolver_.expand(Format::Pls, it->second, found);
        },
        Qt::QueuedConnection);
  });
  QObject::connect(&resolver_, &StreamResolver::rejected, [this] {
    QMetaObject::invokeMethod(&resolver_, &StreamResolver::next, Qt::QueuedConnection);
  });
  for (const StartBudget budget : {StartBudget{3, 50}, StartBudget{8, 12}}) {
    SCOPED_TRACE(testing::Message() << budget.maxPlaylists << " playlists, " << budget.maxCandidates
                                    << " addresses");
    found_.clear();
    start("/tree.pls", budget);
    ASSERT_TRUE(QTest::qWaitFor([&] { return exhausted_ > 0; }, 20000));
    exhausted_ = 0;
    EXPECT_LE(found_.size(), budget.maxCandidates);
    QTest::qWait(200);
    EXPECT_EQ(exhausted_, 0) << "one end of a start";
  }
  // tree, branch1 and leaf1-1 read, then nine streams
  EXPECT_EQ(found_.size(), 12);
  EXPECT_EQ(found_.filter(QStringLiteral("/dead")).size(), 9);
}

}  // namespace
