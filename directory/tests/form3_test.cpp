#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "app/ini.h"
#include "app/trap.h"
#include "bundled_directory.h"
#include "dialog_fixture.h"
#include "directory/Form3.h"

namespace {

struct Controls : DialogControls {
  explicit Controls(QWidget& form)
      : DialogControls(form),
        Label3(child<QLabel>(form, "Label3")),
        Label4(child<QLabel>(form, "Label4")),
        Text1(child<QLineEdit>(form, "Text1")),
        Combo1(child<QComboBox>(form, "Combo1")),
        List3(child<QListWidget>(form, "List3")),
        List4(child<QListWidget>(form, "List4")),
        Command3(child<QPushButton>(form, "Command3")) {}
  QLabel *Label3, *Label4;
  QLineEdit* Text1;
  QComboBox* Combo1;
  QListWidget *List3, *List4;
  QPushButton* Command3;
};
Controls controls(QWidget& form) { return Controls(form); }

using Played = std::tuple<QString, QString, QString>;

const std::string kCountries =
    "<naam>Holland</naam><bestand>holland.txt</bestand>\n"
    "<naam>Belgie</naam><bestand>belgie.txt</bestand>\n"
    "<naam>Duitsland</naam><bestand>duitsland.txt</bestand>\n";

const std::string kThreeStations =
    "<naam>Jazz Een</naam><url>http://s/1</url><homepage>een.nl</homepage>\n"
    "<naam>Jazz Twee</naam><url>http://s/2</url><homepage>twee.nl</homepage>\n"
    "<naam>Jazz Drie</naam><url>http://s/3</url><homepage>drie.nl</homepage>\n";

class Form3Test : public DirectoryDialogTest {
 protected:
  std::vector<Played> played;

  std::mutex mutex;
  std::vector<std::string> searches;
  std::string countries = kCountries;
  std::string results = kThreeStations;

  void SetUp() override {
    http.server().Get("/radio/inter/keuze.php", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(countries, "text/plain; charset=utf-8");
    });
    http.server().Get("/radio/inter/zenders/radio-lijst-zoek.php",
                      [this](const httplib::Request& req, httplib::Response& res) {
                        std::lock_guard lock(mutex);
                        searches.push_back(req.target);
                        res.set_content(results, "text/plain; charset=utf-8");
                      });
    dir.profile({"Onthouden/zoekland=0"});  // all countries, unless a test sets another
    serve();
  }

  std::unique_ptr<Form3> open() {
    auto form = std::make_unique<Form3>(
        DirectoryDialogHost{language,
                            folder,
                            inet,
                            downloadInfo,
                            address,
                            {},
                            [this](const QString& url, const QString& name, const QString& homepage) {
                              played.emplace_back(url, name, homepage);
                            }});
    form->show();
    return form;
  }
  void search(Form3& form, const QString& words, int country) {
    controls(form).Combo1->setCurrentIndex(country);
    controls(form).Text1->setText(words);
    controls(form).Command3->click();
  }

  QString zoekland() const { return remembered("zoekland"); }
  std::string lastSearch() {
    std::lock_guard lock(mutex);
    return searches.empty() ? std::string() : searches.back();
  }
};

TEST_F(Form3Test, OpensWithTheHintTextsAndTheCountryFilter) {
  languageName = u"english"_qs;
  dir.profile({"Onthouden/zoekland=3"});
  auto form = open();
  Controls ui = controls(*form);
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(items(ui.List1), QStringList({text("f3list1")}));
  EXPECT_FALSE(text("f3list1").isEmpty());
  EXPECT_EQ(items(ui.Combo1),
            QStringList({"Alle landen", "--------------", "Holland", "Belgie", "Duitsland"}));
  EXPECT_EQ(items(ui.List4), QStringList({"", "", "holland.txt", "belgie.txt", "duitsland.txt"}));
  EXPECT_EQ(ui.Combo1->currentIndex(), 3);

  const std::pair<QString, const char*> texts[] = {
      {ui.Command1->text(), "f2command1"}, {ui.Command2->text(), "f2command2"},
      {ui.Command3->text(), "f3command3"}, {ui.Label1->text(), "f3label1"},
      {ui.Label2->text(), "f3label2"},     {ui.Label3->text(), "f2label3"},
      {ui.Label4->text(), "f2label4"}};
  for (const auto& [shown, key] : texts) EXPECT_EQ(shown, text(key)) << key;
  EXPECT_EQ(ui.Command3->text(), u"Search!"_qs);

  EXPECT_EQ(ui.Image1->geometry(), form->rect());
  EXPECT_EQ(ui.Image2->geometry(), QRect(0, 0, form->width(), 33));
  EXPECT_EQ(ui.Label1->geometry().right(), form->rect().right());
  for (QListWidget* hidden : {ui.List2, ui.List3, ui.List4}) EXPECT_FALSE(hidden->isVisible());
}

TEST_F(Form3Test, SendsTheWordsAndTheCountryCodeEncoded) {
  auto form = open();
  const std::string prefix = "/radio/inter/zenders/radio-lijst-zoek.php?zoeken=";
  struct Case {
    QString words;
    int country;
    std::string target;
  };
  const Case cases[] = {
      {u"jazz fm"_qs, 0, "jazz%20fm&land="}, {u"rock"_qs, 2, "rock&land=holland"},
      {u"rock"_qs, 1, "rock&land="},  // the separator row searches everywhere too
      {QString(), 4, "&land=duitsland"},     {u"r&b #1+"_qs, 3, "r%26b%20%231%2B&land=belgie"},
  };
  for (const Case& c : cases) {
    search(*form, c.words, c.country);
    EXPECT_EQ(lastSearch(), prefix + c.target) << c.words.toStdString();
  }
  EXPECT_EQ(searches.size(), std::size(cases));
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form3Test, EnterInTheSearchBoxSearches) {
  dir.profile({"Onthouden/zoekland=2"});
  auto form = open();
  QTest::keyClicks(controls(*form).Text1, u"rock"_qs);
  QTest::keyClick(controls(*form).Text1, Qt::Key_Return);
  EXPECT_EQ(searches,
            std::vector<std::string>({"/radio/inter/zenders/radio-lijst-zoek.php?zoeken=rock&land=holland"}));
  EXPECT_EQ(controls(*form).List1->count(), 3);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Form3Test, AResultClickPlaysAtOnceAndTheDialogStaysOpen) {
  auto form = open();
  Controls ui = controls(*form);
  clickRow(ui.List1, 0);  // the hint row has no stream address
  EXPECT_TRUE(played.empty());

  search(*form, u"jazz"_qs, 0);
  EXPECT_EQ(items(ui.List1), QStringList({"Jazz Een", "Jazz Twee", "Jazz Drie"}));
  EXPECT_EQ(items(ui.List2), QStringList({"http://s/1", "http://s/2", "http://s/3"}));
  EXPECT_EQ(items(ui.List3), QStringList({"een.nl", "twee.nl", "drie.nl"}));

  clickRow(ui.List1, 1);
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0], Played("http://s/2", "Jazz Twee", "twee.nl"));
  EXPECT_TRUE(form->isVisible());

  // Enter on a result plays it rather than searching again.
  QTest::keyClick(ui.List1, Qt::Key_Down);
  QTest::keyClick(ui.List1, Qt::Key_Return);
  ASSERT_EQ(played.size(), 2u);
  EXPECT_EQ(played[1], Played("http://s/3", "Jazz Drie", "drie.nl"));
  EXPECT_EQ(searches.size(), 1u);
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_TRUE(zoekland() == u"0"_qs);  // a click writes nothing
}

TEST_F(Form3Test, AMissingUrlShiftsThePairingAndLeavesTheLastNameSilent) {
  results =
      "<naam>Een</naam><url>http://s/1</url><homepage>een.nl</homepage>\n"
      "<naam>Twee</naam><homepage>twee.nl</homepage>\n"
      "<naam>Drie</naam><url>http://s/3</url>\n";
  auto form = open();
  search(*form, u"x"_qs, 0);
  clickRow(controls(*form).List1, 1);
  clickRow(controls(*form).List1, 2);
  EXPECT_EQ(played, std::vector<Played>({{"http://s/3", "Twee", "twee.nl"}}));
}

TEST_F(Form3Test, PreselectsTheRememberedCountryOrReportsError4) {
  for (const char* stored : {"0", "5", "-1", "holland", ""}) {
    SCOPED_TRACE(stored);
    dir.profile({QStringLiteral("Onthouden/zoekland=") + QLatin1String(stored)});
    prompt.clear();
    auto form = open();
    EXPECT_EQ(controls(*form).Combo1->count(), 5);
    if (QByteArray(stored) == "0") {
      EXPECT_TRUE(prompt.boxes().empty());
      EXPECT_EQ(controls(*form).Combo1->currentText(), u"Alle landen"_qs);
    } else {
      ASSERT_EQ(prompt.boxes().size(), 1u);
      EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
      EXPECT_EQ(prompt.boxes()[0].text, text("error4"));
    }
    // Either way the next search runs for all countries.
    controls(*form).Command3->click();
    EXPECT_EQ(lastSearch(), "/radio/inter/zenders/radio-lijst-zoek.php?zoeken=&land=");
  }
}

TEST_F(Form3Test, AFailedCountryListKeepsTheTwoFixedRows) {
  address = DirectoryAddress(u"http://127.0.0.1:1/"_qs);
  auto form = open();
  EXPECT_EQ(prompt.texts(), QStringList({text("error4")}));
  EXPECT_EQ(items(controls(*form).Combo1), QStringList({"Alle landen", "--------------"}));
}

TEST_F(Form3Test, CountryCodeIsTheListFileWithoutTxt) {
  EXPECT_EQ(Form3::countryCode(u"holland.txt"_qs), u"holland"_qs);
  EXPECT_EQ(Form3::countryCode(u"x.TXT"_qs), u"x"_qs);
  EXPECT_EQ(Form3::countryCode(QString()), QString());
  for (const QString& bad : {u"nl"_qs, u".txt"_qs, u"holland.lst"_qs, u"holland"_qs})
    EXPECT_THROW(Form3::countryCode(bad), StepFailed) << bad.toStdString();
}

TEST_F(Form3Test, ASearchThatCannotRunReportsError8) {
  countries = "<naam>Kort</naam><bestand>nl</bestand>\n" + kCountries;
  auto form = open();
  Controls ui = controls(*form);
  search(*form, u"jazz"_qs, 2);  // "nl" gives no country code
  EXPECT_TRUE(searches.empty());
  EXPECT_EQ(prompt.texts(), QStringList({text("error8")}));
  EXPECT_EQ(ui.List1->count(), 0);  // cleared before the failing step

  search(*form, u"jazz"_qs, 0);
  EXPECT_EQ(ui.List1->count(), 3);
  http.stop();
  search(*form, u"jazz"_qs, 0);
  EXPECT_EQ(prompt.texts(), QStringList({text("error8"), text("error8")}));
  EXPECT_EQ(ui.List1->count(), 0);
}

TEST_F(Form3Test, ALongResultListIsListedWhole) {
  results.clear();
  int count = 0;
  for (; results.size() < 40000; ++count)
    results += "<naam>S" + std::to_string(count) + "</naam><url>http://s/" + std::to_string(count) +
               "</url><homepage>h</homepage>\n";
  auto form = open();
  search(*form, u"s"_qs, 0);
  EXPECT_EQ(controls(*form).List1->count(), count);
  EXPECT_EQ(controls(*form).List2->item(count - 1)->text(), QStringLiteral("http://s/%1").arg(count - 1));
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form3Test, OkNeedsAResultAndThenRemembersTheCountry) {
  auto form = open();
  Controls ui = controls(*form);
  ui.Command1->click();  // nothing selected
  ui.List1->setCurrentRow(0);
  ui.Command1->click();  // the hint row
  EXPECT_EQ(prompt.texts(), QStringList({text("error5"), text("error5")}));
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Information);
  EXPECT_EQ(zoekland(), u"0"_qs);
  EXPECT_TRUE(form->isVisible());

  search(*form, u"jazz"_qs, 3);
  clickRow(ui.List1, 0);
  ui.Command1->click();
  EXPECT_EQ(zoekland(), u"3"_qs);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(played.size(), 1u);  // OK starts nothing by itself
  EXPECT_EQ(prompt.boxes().size(), 2u);
}

TEST_F(Form3Test, OkReportsError7WhenTheCountryCannotBeStored) {
  auto form = open();
  search(*form, u"jazz"_qs, 2);
  ASSERT_TRUE(QFile::remove(folder.instIni()));
  ASSERT_TRUE(QDir(dir.path()).mkdir(u"inst.ini"_qs));  // a folder where the file should be
  clickRow(controls(*form).List1, 0);
  controls(*form).Command1->click();
  EXPECT_EQ(prompt.texts(), QStringList({text("error7")}));
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Form3Test, CancelAndEscapeSaveNothing) {
  const QByteArray before = dir.read(u"inst.ini"_qs);
  for (bool escape : {false, true}) {
    auto form = open();
    search(*form, u"jazz"_qs, 4);
    clickRow(controls(*form).List1, 0);
    if (escape)
      QTest::keyClick(controls(*form).Text1, Qt::Key_Escape);
    else
      controls(*form).Command2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
  }
  EXPECT_EQ(dir.read(u"inst.ini"_qs), before);
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form3Test, FindsAndPlaysAStationOfTheBundledDirectory) {
  BundledDirectory directory;
  address = DirectoryAddress(QString::fromStdString(directory.base()));
  languageName = u"english"_qs;
  dir.profile({"Onthouden/zoekland=2"});
  auto form = open();
  Controls ui = controls(*form);
  EXPECT_EQ(ui.Combo1->count(), 8);
  EXPECT_EQ(ui.List4->item(2)->text(), u"holland.txt"_qs);
  ui.Text1->setText(u"rock"_qs);
  ui.Command3->click();
  ASSERT_EQ(items(ui.List1), QStringList({"Tulp Rock"}));
  clickRow(ui.List1, 0);
  ASSERT_EQ(played.size(), 1u);
  EXPECT_TRUE(std::get<0>(played[0]).startsWith(QString::fromStdString(directory.base())));
  EXPECT_EQ(std::get<1>(played[0]), u"Tulp Rock"_qs);
  EXPECT_TRUE(prompt.boxes().empty());
}

}  // namespace
