#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ini.h"
#include "bundled_directory.h"
#include "dialog_fixture.h"
#include "directory/Form2.h"

namespace {

using Controls = DialogControls;
Controls controls(QWidget& form) { return Controls(form); }

std::string country(const std::string& name, const std::string& file) {
  return "<naam>" + name + "</naam>\n<bestand>" + file + "</bestand>\n";
}

const std::string kFiveCountries = country("Holland", "holland.txt") + country("Belgie", "belgie.txt") +
                                   country("Duitsland", "duitsland.txt") +
                                   country("Frankrijk", "frankrijk.txt") + country("Spanje", "spanje.txt");

class Form2Test : public DirectoryDialogTest {
 protected:
  std::vector<std::pair<QString, QString>> chosen;

  std::mutex mutex;
  std::vector<std::string> targets;
  std::string answer = kFiveCountries;

  void SetUp() override {
    http.server().Get("/radio/inter/keuze.php", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard lock(mutex);
      targets.push_back(req.target);
      res.set_content(answer, "text/plain; charset=utf-8");
    });
    dir.profile({"Onthouden/laadland=0"});  // the first country, unless a test sets another
    serve();
  }

  DirectoryDialogHost host() {
    return {language, folder,
            inet,     downloadInfo,
            address,  [this](const QString& name, const QString& file) { chosen.emplace_back(name, file); },
            {}};
  }
  std::unique_ptr<Form2> open() { return std::make_unique<Form2>(host()); }

  QString laadland() const { return remembered("laadland"); }
};

TEST_F(Form2Test, AsksForTheCountryListInTheCurrentLanguage) {
  const std::pair<QString, std::string> cases[] = {
      {u"Nederlands"_qs, "/radio/inter/keuze.php"},
      {u"english"_qs, "/radio/inter/keuze.php?lang=english"},
      {u"nederlands"_qs, "/radio/inter/keuze.php?lang=nederlands"},
      {QString(), "/radio/inter/keuze.php?lang="},
  };
  for (const auto& [name, target] : cases) {
    languageName = name;
    targets.clear();
    auto form = open();
    ASSERT_EQ(targets.size(), 1u) << name.toStdString();
    EXPECT_EQ(targets[0], target) << name.toStdString();
    EXPECT_EQ(controls(*form).List1->count(), 5);
  }
}

TEST_F(Form2Test, PairsNamesAndFilesByPositionOnly) {
  answer =
      "<naam>Holland</naam><bestand>holland.txt</bestand>\n<NAAM>Belgie</naam>\n"
      "<naam>Duitsland</naam><Bestand>duitsland.txt</BESTAND>";
  auto form = open();
  Controls ui = controls(*form);
  EXPECT_EQ(items(ui.List1), QStringList({"Holland", "Belgie", "Duitsland"}));
  EXPECT_EQ(items(ui.List2), QStringList({"holland.txt", "duitsland.txt"}));
  EXPECT_EQ(downloadInfo.Text(), QString::fromStdString(answer));
  EXPECT_TRUE(prompt.boxes().empty());

  // Belgie lost its file, so it is paired with the one after it.
  ui.List1->setCurrentRow(1);
  ui.Command1->click();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], std::make_pair(u"Belgie"_qs, u"duitsland.txt"_qs));
}

TEST_F(Form2Test, OkWithoutAListFileAsksForACountry) {
  dir.profile({"Onthouden/laadland=4"});
  answer = country("Holland", "holland.txt") + "<naam>Belgie</naam>";
  auto form = open();
  form->show();
  Controls ui = controls(*form);

  ui.List1->setCurrentRow(1);  // more names than files: no partner at all
  ui.Command1->click();
  ui.List1->setCurrentRow(0);
  ui.List1->currentItem()->setSelected(false);  // deselected with Ctrl+click
  ui.Command1->click();

  ASSERT_EQ(prompt.boxes().size(), 3u);  // error4 first: laadland 4 is out of range
  EXPECT_EQ(prompt.boxes()[0].text, text("error4"));
  for (int i : {1, 2}) {
    EXPECT_EQ(prompt.boxes()[i].kind, RecordingPrompt::Kind::Information);
    EXPECT_EQ(prompt.boxes()[i].text, text("error2"));
    EXPECT_EQ(prompt.boxes()[i].caption, text("error0"));
  }
  EXPECT_TRUE(chosen.empty());
  EXPECT_EQ(laadland(), u"4"_qs);
  EXPECT_TRUE(form->isVisible());
}

TEST_F(Form2Test, PreselectsTheLastCountryOrReportsError4) {
  struct Case {
    const char* stored;
    int selected;
  };
  for (const Case c : {Case{nullptr, -1}, Case{"3", 3}, Case{"7", -1}, Case{"-1", -1}, Case{"drie", -1}}) {
    SCOPED_TRACE(c.stored ? c.stored : "(none)");
    if (c.stored)
      dir.profile({QStringLiteral("Onthouden/laadland=") + QLatin1String(c.stored)});
    else
      ASSERT_TRUE(QFile::remove(folder.instIni()));  // a first run: no inst.ini yet
    prompt.clear();
    auto form = open();
    QListWidget* list = controls(*form).List1;
    EXPECT_EQ(list->count(), 5);  // the lists are filled before the preselection fails
    EXPECT_EQ(controls(*form).List2->count(), 5);
    EXPECT_EQ(list->selectedItems().size(), c.selected < 0 ? 0 : 1);
    if (c.selected >= 0) {
      EXPECT_EQ(list->currentRow(), c.selected);
      EXPECT_TRUE(prompt.boxes().empty());
    } else {
      ASSERT_EQ(prompt.boxes().size(), 1u);
      EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
      EXPECT_EQ(prompt.boxes()[0].text, text("error4"));
      EXPECT_EQ(prompt.boxes()[0].caption, text("error0"));
    }
  }
}

TEST_F(Form2Test, AFailedDownloadReportsError4AndStillOpens) {
  http.stop();
  auto form = open();
  EXPECT_EQ(prompt.texts(), QStringList({text("error4")}));
  EXPECT_EQ(controls(*form).List1->count(), 0);
  controls(*form).Command1->click();
  EXPECT_EQ(prompt.texts().last(), text("error2"));
}

// Lists used to stop at 32767 characters; a country list of any size loads.
TEST_F(Form2Test, LoadsALongCountryList) {
  answer.clear();
  int count = 0;
  for (; answer.size() < 40000; ++count)
    answer += country("Land " + std::to_string(count), "land" + std::to_string(count) + ".txt");
  dir.profile({QStringLiteral("Onthouden/laadland=%1").arg(count - 1)});
  auto form = open();
  EXPECT_EQ(controls(*form).List1->count(), count);
  EXPECT_EQ(controls(*form).List1->currentItem()->text(), QStringLiteral("Land %1").arg(count - 1));
  EXPECT_EQ(controls(*form).List1->count(), controls(*form).List2->count());
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form2Test, OkHandsTheCountryToTheMainWindowAndRemembersIt) {
  dir.profile({"Onthouden/laadland=3"});
  auto form = open();
  form->show();
  controls(*form).List1->setCurrentRow(0);

  // Everything but the close has happened by the time the box is up.
  std::vector<std::pair<QString, QString>> chosenWhileOpen;
  QString storedWhileOpen;
  bool visibleWhileOpen = false;
  prompt.whileOpen = [&] {
    chosenWhileOpen = chosen;
    storedWhileOpen = laadland();
    visibleWhileOpen = form->isVisible();
  };
  controls(*form).Command1->click();

  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], std::make_pair(u"Holland"_qs, u"holland.txt"_qs));
  EXPECT_EQ(chosenWhileOpen, chosen);
  EXPECT_EQ(storedWhileOpen, u"0"_qs);
  EXPECT_TRUE(visibleWhileOpen);
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Information);
  EXPECT_EQ(prompt.boxes()[0].caption, text("error0"));
  EXPECT_EQ(prompt.boxes()[0].text, u"Holland"_qs + text("error3"));
  EXPECT_TRUE(text("error3").startsWith(u' '));  // the space comes from lang.ini
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(Form2Test, CancelAndEscapeChangeNothing) {
  dir.profile({"Onthouden/laadland=2"});
  const QByteArray before = dir.read(u"inst.ini"_qs);
  for (bool escape : {false, true}) {
    auto form = open();
    form->show();
    controls(*form).List1->setCurrentRow(4);
    if (escape)
      QTest::keyClick(controls(*form).List1, Qt::Key_Escape);
    else
      controls(*form).Command2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
  }
  EXPECT_TRUE(chosen.empty());
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(dir.read(u"inst.ini"_qs), before);
}

TEST_F(Form2Test, EnterOnTheListChoosesTheCountry) {
  dir.profile({"Onthouden/laadland=1"});
  auto form = open();
  form->show();
  QTest::keyClick(controls(*form).List1, Qt::Key_Down);
  QTest::keyClick(controls(*form).List1, Qt::Key_Return);
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0].first, u"Duitsland"_qs);
  EXPECT_EQ(laadland(), u"2"_qs);
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(Form2Test, Timer1PutsInTheTextsOnce) {
  languageName = u"english"_qs;
  auto form = open();
  Controls ui = controls(*form);
  auto* timer1 = form->findChild<QTimer*>(u"Timer1"_qs);
  ASSERT_NE(timer1, nullptr);
  EXPECT_EQ(timer1->interval(), 10);
  // The constructor's download runs the event loop: on a busy machine the tick may be past already.
  if (timer1->isActive()) {
    EXPECT_EQ(ui.Label1->text(), u"Land Kiezen"_qs);  // design text until the first tick
    QSignalSpy ticked(timer1, &QTimer::timeout);
    ASSERT_TRUE(ticked.wait(2000));
  }
  EXPECT_EQ(ui.Label1->text(), text("f2label1"));
  EXPECT_EQ(ui.Label2->text(), text("f2label2"));
  EXPECT_EQ(ui.Command1->text(), text("f2command1"));
  EXPECT_EQ(ui.Command2->text(), text("f2command2"));
  EXPECT_NE(ui.Label1->text(), u"Land Kiezen"_qs);
  EXPECT_FALSE(timer1->isActive());
}

TEST_F(Form2Test, LayoutKeepsTheTitleBarAtItsDesignWidth) {
  auto form = open();
  Controls ui = controls(*form);
  EXPECT_EQ(ui.Image1->geometry(), form->rect());
  EXPECT_EQ(ui.Image2->geometry(), QRect(0, 0, 345, 33));
  EXPECT_EQ(ui.Label1->font().pointSize(), 18);
  EXPECT_TRUE(ui.Label1->font().bold());
  EXPECT_FALSE(ui.List2->isVisibleTo(form.get()));
  // The skin goes under everything else.
  const QObjectList children = form->children();
  EXPECT_LT(children.indexOf(ui.Image1), children.indexOf(ui.Image2));
  EXPECT_LT(children.indexOf(ui.Image2), children.indexOf(ui.Label1));
  for (QWidget* w : {static_cast<QWidget*>(ui.Label2), static_cast<QWidget*>(ui.List1),
                     static_cast<QWidget*>(ui.Command1), static_cast<QWidget*>(ui.Command2)})
    EXPECT_TRUE(form->rect().contains(w->geometry())) << w->objectName().toStdString();
}

TEST_F(Form2Test, ChoosesACountryOfTheBundledDirectory) {
  BundledDirectory directory;
  address = DirectoryAddress(QString::fromStdString(directory.base()));
  auto form = open();
  EXPECT_EQ(controls(*form).List1->count(), 6);
  EXPECT_EQ(controls(*form).List1->currentItem()->text(), u"Holland"_qs);
  controls(*form).Command1->click();
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen[0], std::make_pair(u"Holland"_qs, u"holland.txt"_qs));
  EXPECT_TRUE(prompt.texts().value(0).startsWith(u"Holland"_qs));
}

}  // namespace
