// The window follows its directory: a first start that reached only the demo shows the user's own
// country, and the real list and home page once the directory answers, without a click.
#include <QLocale>

#include <atomic>

#include "form1_fixture.h"
#include "loopback_server.h"
#include "player/listwatch.h"

namespace {

using DirectoryOnlineTest = MainWindowTest;

TEST_F(DirectoryOnlineTest, FirstStartTakesTheLocalesCountryAndTheRealListReplacesTheDemoByItself) {
  std::atomic<bool> online{false};
  LoopbackServer http;
  http.server().Get("/radio/inter/keuze.php", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(online ? "<naam>The Netherlands</naam><bestand>nl.txt</bestand><naam>Germany</naam>"
                             "<bestand>de.txt</bestand>"
                           : "<naam>Holland</naam><bestand>holland.txt</bestand><naam>Duitsland</naam>"
                             "<bestand>duitsland.txt</bestand>",
                    "text/plain");
  });
  http.server().Get(R"(/radio/inter/zenders/(.*))", [&](const httplib::Request& req, httplib::Response& res) {
    const std::string station = !online ? "<voorlopig>ja</voorlopig><naam>Polder FM</naam>"
                                : req.matches[1] == "de.txt" ? "<naam>Rhein Eins</naam>"
                                                             : "<naam>Amsterdam Een</naam>";
    res.set_content(station + "<url>http://s/1</url><homepage>h</homepage>", "text/plain");
  });
  http.server().Get("/radio/inter/website/index.php", [&](const httplib::Request&, httplib::Response& res) {
    res.set_content(online ? "Directory online" : "Offline. Demo stations", "text/html");
  });
  http.start();
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  dir.profile({"Onthouden/LaatsteLandNaam=", "Onthouden/LaatsteLandbestand="});
  start(QString::fromStdString(http.base()));
  auto* watch = form->findChild<ListWatch*>("ListWatch");
  watch->setInterval(std::chrono::milliseconds(100));
  const auto shows = [&](const char* station, const char* country, const char* page) {
    return QTest::qWaitFor([&] {
      const auto* list = form->findChild<QListWidget*>("List1");
      return list->count() == 1 && list->item(0)->text() == station &&
             form->findChild<QLabel*>("TaalGeselecteerdTekst")->text() == country &&
             form->findChild<PageView*>("WebBrowser1")->toPlainText() == page;
    }, 10000);
  };

  // Offline the demo knows no Germany: The Netherlands by the demo's name, asked for again and again.
  EXPECT_TRUE(shows("Polder FM", "Holland", "Offline. Demo stations"));
  EXPECT_TRUE(watch->isWatching());
  player.report(MediaPlayer::Playing, "Playing");
  const QStringList calls = player.calls;
  online = true;
  EXPECT_TRUE(shows("Rhein Eins", "Germany", "Directory online"));
  EXPECT_FALSE(watch->isWatching());
  EXPECT_EQ(player.calls, calls);  // the station on air was left alone
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('\n').toStdString();
  // The program's pick is no choice of the user's: the next start picks again.
  form->saveRemembered();
  EXPECT_EQ(INI::ReadIni(dir.folder().instIni(), "Onthouden", "LaatsteLandbestand"), "");
  form.reset();  // before its directory goes
  QLocale::setDefault(QLocale::system());
}

}  // namespace
