#include "directory/transfer.h"

#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <condition_variable>
#include <iostream>
#include <vector>
#include <mutex>

#include "app/trap.h"
#include "directory/directoryaddress.h"
#include "loopback_server.h"

namespace {

using namespace std::chrono_literals;

class TransferTest : public ::testing::Test {
 protected:
  void TearDown() override {
    {
      std::lock_guard lock(mutex_);
      released_ = true;
    }
    release_.notify_all();
    http_.stop();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "busy cursor left behind";
  }

  httplib::Server& server() { return http_.server(); }
  void start() { http_.start(); }
  QString url(const QString& path) const { return http_.url(path); }

  // A handler that answers only when the test ends.
  void hangUntilTearDown() {
    std::unique_lock lock(mutex_);
    release_.wait_for(lock, 10s, [this] { return released_; });
  }

  // The reason part of a failed step, or "" when the step did not fail.
  static std::string failure(Transfer& transfer, const QString& address) {
    try {
      transfer.OpenURL(address);
    } catch (const StepFailed& e) {
      return e.what();
    }
    return {};
  }

  LoopbackServer http_;
  std::mutex mutex_;
  std::condition_variable release_;
  bool released_ = false;
};

TEST_F(TransferTest, ReturnsTheWholeBodyAlsoForAnErrorStatus) {
  QString list;
  for (int i = 0; list.size() < 100'000; ++i)
    list += QStringLiteral("<naam>Zender %1 – Één</naam><url>http://s/%1</url>\n").arg(i);
  const std::string body = list.toStdString();
  server().Get("/list", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(body, "text/plain; charset=utf-8");
  });
  server().Get("/missing.txt", [](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_content("<html>not here</html>", "text/html");
  });
  start();

  Transfer transfer;
  EXPECT_EQ(transfer.OpenURL(url(u"/list"_qs)), list);
  EXPECT_EQ(transfer.OpenURL(url(u"/missing.txt"_qs)), u"<html>not here</html>"_qs);
}

TEST_F(TransferTest, FollowsRedirectsWithinReason) {
  server().Get("/old", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/new"); });
  server().Get("/new", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("moved here", "text/plain");
  });
  server().Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop"); });
  server().Get("/elsewhere", [](const httplib::Request&, httplib::Response& res) {
    res.set_redirect("file:///etc/passwd");
  });
  start();

  Transfer transfer;
  EXPECT_EQ(transfer.OpenURL(url(u"/old"_qs)), u"moved here"_qs);
  EXPECT_NE(failure(transfer, url(u"/loop"_qs)).find("redirects"), std::string::npos);
  EXPECT_NE(failure(transfer, url(u"/elsewhere"_qs)), "");
}

TEST_F(TransferTest, SendsProgramNameAndEncodedValuesArriveWhole) {
  std::mutex seen;
  std::string agent, name, country;
  bool busy = false;
  server().Get(R"(/radio/inter/website/index\.php)",
               [&](const httplib::Request& req, httplib::Response& res) {
                 std::lock_guard lock(seen);
                 agent = req.get_header_value("User-Agent");
                 // The UI thread set the cursor before it sent this request and is blocked now.
                 const QCursor* cursor = QGuiApplication::overrideCursor();
                 busy = cursor && cursor->shape() == Qt::WaitCursor;
                 name = req.get_param_value("zendernaam");
                 country = req.get_param_value("zenderland");
                 res.set_content(std::to_string(req.params.size()), "text/plain");
               });
  start();

  const DirectoryAddress directory(url(u"/"_qs));
  Transfer transfer;
  const QString keys = transfer.OpenURL(
      directory.report(u"English"_qs, u"http://x/?a=1&b=2"_qs, u"Rock & Roll #1+"_qs, u"Côte"_qs));
  std::lock_guard lock(seen);
  EXPECT_EQ(agent, "VantorInternetRadio/2.0");
  EXPECT_TRUE(busy) << "no busy cursor while waiting";
  EXPECT_EQ(keys, u"5"_qs);
  EXPECT_EQ(name, "Rock & Roll #1+");
  EXPECT_EQ(country, "Côte");
}

TEST_F(TransferTest, DecodesByTheCharsetOfTheAnswer) {
  server().Get("/latin1", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("caf\xE9 \x80", "text/plain; charset=ISO-8859-1");
  });
  server().Get("/latin1-looks-utf8", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("caf\xC3\xA9", "text/plain; charset=\"latin1\"");
  });
  server().Get("/cp1252", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("\x80 caf\xE9", "text/plain");
  });
  server().Get("/utf8", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(
        "\xEF\xBB\xBF"
        "caf\xC3\xA9",
        "text/plain;charset=utf-8");
  });
  server().Get("/unknown", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("caf\xC3\xA9", "text/plain; charset=x-no-such-thing");
  });
  start();

  Transfer transfer;
  EXPECT_EQ(transfer.OpenURL(url(u"/latin1"_qs)), u"café €"_qs);
  EXPECT_EQ(transfer.OpenURL(url(u"/latin1-looks-utf8"_qs)), u"cafÃ©"_qs);
  EXPECT_EQ(transfer.OpenURL(url(u"/cp1252"_qs)), u"€ café"_qs);
  EXPECT_EQ(transfer.OpenURL(url(u"/utf8"_qs)), u"café"_qs);
  EXPECT_EQ(transfer.OpenURL(url(u"/unknown"_qs)), u"café"_qs);
}

TEST(TransferDecode, CharsetNamesAndWindows1252) {
  EXPECT_EQ(Transfer::decodeBody("\x93q\x94 \x9F", "text/plain; Charset=Windows-1252"), u"“q” Ÿ"_qs);
  EXPECT_EQ(Transfer::decodeBody(QByteArray("a\0b\0", 4), "text/plain; charset=UTF-16LE"), u"ab"_qs);
  // A charset word in another parameter is not the charset.
  EXPECT_EQ(Transfer::decodeBody("caf\xE9", "text/plain; name=\"charset=utf-8\""), u"café"_qs);
}

TEST_F(TransferTest, TransportFailuresFailTheStep) {
  // A port that was just in use and is now closed refuses the connection.
  LoopbackServer closed;
  closed.start();
  const QString refused = closed.url(u"/list"_qs);
  closed.stop();

  server().Get("/slow", [this](const httplib::Request&, httplib::Response& res) {
    hangUntilTearDown();
    res.set_content("too late", "text/plain");
  });
  start();

  Transfer transfer;
  transfer.setTimeout(300ms);
  EXPECT_NE(failure(transfer, refused).find("no connection"), std::string::npos);
  EXPECT_NE(failure(transfer, url(u"/slow"_qs)).find("no answer within 300 ms"), std::string::npos);
  for (const QString& other : {u"ftp://127.0.0.1/x"_qs, u"file:///etc/hostname"_qs, u"about:blank"_qs,
                               u"radio/inter/keuze.php"_qs, QString()})
    EXPECT_NE(failure(transfer, other).find("not an http or https address"), std::string::npos)
        << other.toStdString();
}

TEST_F(TransferTest, AnswersOverTheCapFail) {
  const std::string full(size_t(Transfer::kMaxBodyBytes), 'a');
  server().Get("/full", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(full, "application/octet-stream");
  });
  server().Get("/over", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(full + "b", "application/octet-stream");
  });
  // No length announced and no end: only the cap can stop it.
  server().Get("/endless", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [chunk = std::string(64 * 1024, 'x')](size_t, httplib::DataSink& sink) {
                                       return sink.write(chunk.data(), chunk.size());
                                     });
  });
  start();

  Transfer transfer;
  transfer.setTimeout(30s);
  EXPECT_EQ(transfer.OpenURL(url(u"/full"_qs)).size(), Transfer::kMaxBodyBytes);
  EXPECT_NE(failure(transfer, url(u"/over"_qs)).find("larger than"), std::string::npos);
  EXPECT_NE(failure(transfer, url(u"/endless"_qs)).find("larger than"), std::string::npos);
}

// Qt's network stack would resolve "%2E%2E" away and ask for another file: refused instead.
TEST_F(TransferTest, DotSegmentsAreRefusedAndOtherValuesArriveEncoded) {
  std::mutex seen;
  std::vector<std::string> targets;
  server().Get(R"(/radio/inter/.*)", [&](const httplib::Request& req, httplib::Response& res) {
    std::lock_guard lock(seen);
    targets.push_back(req.target);
    res.set_content("", "text/plain");
  });
  start();

  const DirectoryAddress directory(url(u"/"_qs));
  Transfer transfer;
  for (const QString& dots : {u".."_qs, u"."_qs})
    EXPECT_NE(failure(transfer, directory.stationList(dots)).find("dot segment"), std::string::npos);
  EXPECT_NE(failure(transfer, url(u"/radio/inter/a/%2e%2E/b"_qs)).find("dot segment"), std::string::npos);
  transfer.OpenURL(directory.stationList(u"a b.txt"_qs));
  transfer.OpenURL(directory.stationList(u"..a"_qs));
  std::lock_guard lock(seen);
  EXPECT_EQ(targets, (std::vector<std::string>{"/radio/inter/zenders/a%20b.txt", "/radio/inter/zenders/..a"}));
}

// A widget that notes when it was last painted.
class PaintCounter final : public QWidget {
 public:
  int paints = 0;
  int events = 0;

 protected:
  void paintEvent(QPaintEvent*) override { ++paints; }
  void customEvent(QEvent*) override { ++events; }
};

// A server that takes the connection and never answers: the window must go on painting and
// handling posted events, and a second download from inside must not interleave.
TEST_F(TransferTest, WindowStaysAliveWhileADownloadHangs) {
  server().Get("/hang", [this](const httplib::Request&, httplib::Response& res) {
    hangUntilTearDown();
    res.set_content("too late", "text/plain");
  });
  server().Get("/quick", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("quick", "text/plain");
  });
  start();

  PaintCounter window;
  window.resize(200, 100);
  window.show();
  QCoreApplication::processEvents();
  Transfer transfer;
  transfer.setTimeout(3s);

  QElapsedTimer clock;
  qint64 askedAt = -1, paintedAt = -1, handledAt = -1;
  std::string nested;
  bool runningSeen = false;
  QTimer::singleShot(400, [&] {
    askedAt = clock.elapsed();
    const int paintsBefore = window.paints, eventsBefore = window.events;
    window.update();
    QCoreApplication::postEvent(&window, new QEvent(QEvent::User));
    // Watch from inside the waiting loop how soon both are handled.
    auto* watch = new QTimer(&window);
    QObject::connect(watch, &QTimer::timeout, [&, watch, paintsBefore, eventsBefore] {
      if (paintedAt < 0 && window.paints > paintsBefore) paintedAt = clock.elapsed();
      if (handledAt < 0 && window.events > eventsBefore) handledAt = clock.elapsed();
      if (paintedAt >= 0 && handledAt >= 0) watch->deleteLater();
    });
    watch->start(5);
    runningSeen = transfer.isRunning();
    nested = failure(transfer, url(u"/quick"_qs));
  });
  clock.start();
  const std::string reason = failure(transfer, url(u"/hang"_qs));
  EXPECT_NE(reason.find("no answer within 3000 ms"), std::string::npos) << reason;
  EXPECT_TRUE(runningSeen);
  EXPECT_NE(nested.find("another download is still running"), std::string::npos) << nested;
  ASSERT_GE(askedAt, 0) << "no timer ran during the download";
  ASSERT_GE(paintedAt, 0) << "no repaint during the download";
  ASSERT_GE(handledAt, 0) << "posted event not handled during the download";
  // Normally a few milliseconds; the margin is for a loaded test machine.
  EXPECT_LT(paintedAt - askedAt, 1000);
  EXPECT_LT(handledAt - askedAt, 1000);
  std::cout << "repaint after " << paintedAt - askedAt << " ms, posted event after " << handledAt - askedAt
            << " ms\n";
  // Afterwards the same transfer works again.
  EXPECT_EQ(transfer.OpenURL(url(u"/quick"_qs)), u"quick"_qs);
}

}  // namespace
