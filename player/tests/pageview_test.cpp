#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "loopback_server.h"
#include "player/pageview.h"

namespace {

using namespace std::chrono_literals;

// A small web site on 127.0.0.1 that records the paths asked for.
class Site : public LoopbackServer {
 public:
  Site() {
    server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<html><body><p>Hallo wereld</p><a href='next'>next</a></body></html>", "text/html");
    });
    server().Get("/next", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<p>Second page</p>", "text/html; charset=utf-8");
    });
    server().Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/page"); });
    server().Get("/plain", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<b>not markup</b>", "text/plain");
    });
    server().Get("/latin", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<p>caf\xe9</p>", "text/html; charset=ISO-8859-1");
    });
    server().Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
      for (int i = 0; i < 500 && !releaseSlow; ++i) std::this_thread::sleep_for(10ms);
      res.set_content("<p>Stale page</p>", "text/html");
    });
    server().Get("/huge", [](const httplib::Request&, httplib::Response& res) {
      // Not a text type, so the server sends it uncompressed and the size is what arrives.
      res.set_content(std::string(PageView::kMaxPageBytes + 1024, 'x'), "application/octet-stream");
    });
    server().Get("/picture", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("<p>With a picture</p><img src='/pic.png'><img src='http://127.0.0.1:1/x.png'>",
                      "text/html");
    });
    server().Get("/site/index.php", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex);
      lang = req.get_param_value("lang");
      res.set_content("<p>Home</p>", "text/html");
    });
    server().set_logger([this](const httplib::Request& req, const httplib::Response&) {
      std::lock_guard lock(mutex);
      paths.push_back(req.path);
    });
    start();
  }
  ~Site() {
    releaseSlow = true;
    stop();
  }

  std::vector<std::string> asked() {
    std::lock_guard lock(mutex);
    return paths;
  }

  std::atomic<bool> releaseSlow = false;
  std::mutex mutex;
  std::vector<std::string> paths;
  std::string lang;
};

// A port on which nothing listens.
int closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost);
  return probe.serverPort();
}

class PageViewTest : public ::testing::Test {
 protected:
  PageViewTest() : errors(&view, &PageView::navigateError) {}

  // Waits until the view settles on a page or an error.
  void settle() {
    for (int i = 0; i < 100 && view.isLoading(); ++i) QTest::qWait(50);
    ASSERT_FALSE(view.isLoading());
  }

  Site site;
  PageView view;
  QSignalSpy errors;
};

TEST_F(PageViewTest, ShowsThePageWithoutBlocking) {
  view.navigate(site.url("/page"));
  EXPECT_TRUE(view.isLoading());  // navigate returned before the answer came
  EXPECT_EQ(view.currentUrl(), site.url("/page"));
  settle();
  EXPECT_TRUE(view.toPlainText().contains("Hallo wereld"));
  EXPECT_EQ(errors.count(), 0);
}

TEST_F(PageViewTest, FollowsRedirectsAndLinksStayInThePane) {
  view.navigate(site.url("/old"));
  settle();
  EXPECT_TRUE(view.toPlainText().contains("Hallo wereld"));

  // A relative link resolves against where the page really came from, not the old address.
  Q_EMIT view.anchorClicked(QUrl("next"));
  settle();
  EXPECT_EQ(view.currentUrl(), site.url("/next"));
  EXPECT_TRUE(view.toPlainText().contains("Second page"));

  // Links to anything but web pages are not followed.
  Q_EMIT view.anchorClicked(QUrl("file:///etc/passwd"));
  Q_EMIT view.anchorClicked(QUrl("javascript:alert(1)"));
  EXPECT_FALSE(view.isLoading());
  EXPECT_EQ(view.currentUrl(), site.url("/next"));
  EXPECT_EQ(errors.count(), 0);
}

TEST_F(PageViewTest, AFailedLoadBlanksThePaneAndTheWindowPutsUpItsOwnPage) {
  // As the main window does.
  QObject::connect(&view, &PageView::navigateError, &view, [this](const QString&) {
    view.navigate(QStringLiteral("about:<b>Page unavailable</b>"));
  });
  const QStringList failing = {site.url("/missing"), QStringLiteral("http://127.0.0.1:%1/").arg(closedPort()),
                               QStringLiteral("file:///etc/hostname"), QString(), site.url("/huge")};
  for (const QString& url : failing) {
    errors.clear();
    view.navigate(site.url("/page"));
    settle();
    view.navigate(url);
    settle();
    ASSERT_EQ(errors.count(), 1) << url.toStdString();
    EXPECT_EQ(errors.at(0).at(0).toString(), url);
    EXPECT_EQ(view.toPlainText(), "Page unavailable") << url.toStdString();
    EXPECT_EQ(view.currentUrl(), "about:<b>Page unavailable</b>");
  }
}

TEST_F(PageViewTest, AFailedLoadLeavesNoStalePage) {
  view.navigate(site.url("/page"));
  settle();
  view.navigate(site.url("/missing"));
  settle();
  EXPECT_EQ(errors.count(), 1);
  EXPECT_EQ(view.toPlainText(), "");
}

TEST_F(PageViewTest, ANewerNavigateWinsOverASlowOlderOne) {
  view.navigate(site.url("/slow"));
  view.navigate(site.url("/page"));
  settle();
  EXPECT_TRUE(view.toPlainText().contains("Hallo wereld"));

  view.navigate(site.url("/slow"));
  view.navigate(QStringLiteral("about:Done"));
  site.releaseSlow = true;
  QTest::qWait(300);  // time for the old answer to arrive, if it were still wanted
  EXPECT_EQ(view.toPlainText(), "Done");
  EXPECT_EQ(view.currentUrl(), "about:Done");
  EXPECT_EQ(errors.count(), 0);  // a cancelled load is no failure
}

TEST_F(PageViewTest, AboutShowsItsTextAsThePage) {
  view.navigate(QStringLiteral("about:The server cannot be reached."));
  EXPECT_FALSE(view.isLoading());
  EXPECT_EQ(view.toPlainText(), "The server cannot be reached.");
  view.navigate(QStringLiteral("ABOUT:blank"));
  EXPECT_EQ(view.toPlainText(), "");
  EXPECT_EQ(view.currentUrl(), "ABOUT:blank");
}

TEST_F(PageViewTest, PlainTextAndCharsetsAreHonoured) {
  view.navigate(site.url("/plain"));
  settle();
  EXPECT_EQ(view.toPlainText(), "<b>not markup</b>");
  view.navigate(site.url("/latin"));
  settle();
  EXPECT_EQ(view.toPlainText(), QString::fromUtf8("caf\u00e9"));
}

TEST_F(PageViewTest, EncodedQueryValuesReachTheServerIntact) {
  view.navigate(site.url("/site/index.php?wat=home&lang=dutch%26x%3D1%20%23&versie=2.0"));
  settle();
  EXPECT_TRUE(view.toPlainText().contains("Home"));
  std::lock_guard lock(site.mutex);
  EXPECT_EQ(site.lang, "dutch&x=1 #");
}

TEST_F(PageViewTest, PicturesOnAPageAreNotFetched) {
  view.navigate(site.url("/picture"));
  settle();
  EXPECT_TRUE(view.toPlainText().contains("With a picture"));
  QTest::qWait(100);
  for (const std::string& path : site.asked()) EXPECT_NE(path, "/pic.png");
}

TEST(PageDecoding, CharsetFromHeaderThenPageThenUtf8ThenWindows1252) {
  EXPECT_EQ(PageView::decodePage("caf\xe9", "text/html; charset=\"iso-8859-1\""),
            QString::fromUtf8("caf\u00e9"));
  EXPECT_EQ(PageView::decodePage("<meta charset=\"windows-1252\"><p>\x80</p>", "text/html"),
            QString::fromUtf8("<meta charset=\"windows-1252\"><p>\u20ac</p>"));
  EXPECT_EQ(PageView::decodePage("caf\xc3\xa9", "text/html"), QString::fromUtf8("caf\u00e9"));
  EXPECT_EQ(PageView::decodePage("caf\xc3\xa9", QByteArray()), QString::fromUtf8("caf\u00e9"));
  // Not valid UTF-8 and nothing declared: the old Windows pages.
  EXPECT_EQ(PageView::decodePage("\x93quoted\x94", QByteArray()), QString::fromUtf8("\u201cquoted\u201d"));
  // An unknown charset falls back instead of showing nothing.
  EXPECT_EQ(PageView::decodePage("plain", "text/html; charset=no-such-set"), "plain");
}

}  // namespace
