#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "Form4.h"
#include "app/ini.h"
#include "autostart_test_support.h"
#include "picturecheck.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

const QByteArray kFullProfile =
    "[Online Radio]\ntaal=Nederlands\ncombotaal=0\ngrootscherm=1\nafspelen=2\nxsluiten=0\nskin=Standaard\n"
    "[Windows]\nladen=0\n";

class Form4Test : public ::testing::Test {
 protected:
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  ProgramFolder folder = dir.folder();
  TemporaryConfigHome config;
  RecordingPrompt prompt;
  QString current = "Nederlands";
  Language language{folder, prompt, [this] { return current; }};
  // A program folder with a blank and quotes in its path.
  QString program = "/home/an/Mijn \"radio\" it's/vantor-radio";
  int skinTimerStarts = 0;
  std::unique_ptr<XdgAutostart> autostart;
  std::unique_ptr<Form4> form;

  void SetUp() override {
    autostart = std::make_unique<XdgAutostart>(XdgAutostart::configHomeFromEnvironment());
    dir.write("inst.ini", kFullProfile);
  }
  void open() {
    form = std::make_unique<Form4>(SettingsHost{language, folder, *autostart, program,
                                                [this](const QString& l) { current = l; },
                                                [this] { ++skinTimerStarts; }});
  }
  template <typename T>
  T* control(const char* name) {
    T* c = form->findChild<T*>(name);
    if (!c) ADD_FAILURE() << "no control " << name;
    return c;
  }
  PictureCheck* check(int n) { return control<PictureCheck>(("Check" + std::to_string(n)).c_str()); }
  QComboBox* combo() { return control<QComboBox>("Combo1"); }
  QString text(const char* name) { return control<QLabel>(name)->text(); }
  void click(const char* button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }
  QString stored(const char* section, const char* key) {
    return INI::ReadIni(folder.instIni(), section, key);
  }
  ReadBackEntry entry() { return ReadDesktopEntry(config.entryFile()); }
};

TEST_F(Form4Test, LoadsTheOptionsTextsAndLanguageFromTheProfile) {
  open();
  EXPECT_EQ(check(1)->checkState(), Qt::Unchecked);
  EXPECT_EQ(check(2)->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(check(3)->checkState(), Qt::Checked);
  EXPECT_EQ(check(4)->checkState(), Qt::Unchecked);
  EXPECT_EQ(text("Label1"), "Instellingen");
  EXPECT_EQ(text("Label4"), "De laatste zender starten bij opstarten");
  EXPECT_EQ(control<QPushButton>("Command3")->text(), "Skins Options");
  EXPECT_EQ(text("Label2"), "Language:");
  ASSERT_EQ(combo()->count(), 2);
  EXPECT_EQ(combo()->itemText(0), "Nederlands");
  EXPECT_EQ(combo()->itemText(1), "english");
  EXPECT_EQ(combo()->currentIndex(), 0);
  EXPECT_EQ(text("labelLang"), "");
  // All four boxes wear the pictures Check1 carries.
  for (int n = 2; n <= 4; ++n) {
    EXPECT_EQ(check(n)->checkedPicture().cacheKey(), check(1)->checkedPicture().cacheKey());
    EXPECT_EQ(check(n)->uncheckedPicture().cacheKey(), check(1)->uncheckedPicture().cacheKey());
  }
  EXPECT_FALSE(check(1)->checkedPicture().isNull());
  EXPECT_NE(check(1)->checkedPicture().toImage(), check(1)->uncheckedPicture().toImage());
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form4Test, AMissingOrBadValueStopsTheLoadQuietlyAtThatStep) {
  dir.write("inst.ini", QByteArray(kFullProfile).replace("laden=0\n", ""));
  open();
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(check(n)->checkState(), Qt::Unchecked) << n;
  EXPECT_EQ(text("Label3"), "Opstarten bij Windows");  // the design text, not lang.ini's
  EXPECT_EQ(control<QPushButton>("Command1")->text(), "OKE!");
  EXPECT_EQ(combo()->count(), 0);
  form.reset();

  current = "english";
  dir.profile({"Windows/laden=1", "Online Radio/grootscherm=ja"});
  open();
  EXPECT_EQ(check(1)->checkState(), Qt::Checked);
  EXPECT_EQ(check(2)->checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(check(3)->checkState(), Qt::Unchecked);
  EXPECT_EQ(text("Label3"), "Opstarten bij Windows");
  form.reset();

  dir.profile({"Online Radio/grootscherm=7"});
  open();
  EXPECT_EQ(check(3)->checkState(), Qt::Unchecked);
  EXPECT_EQ(combo()->count(), 0);
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form4Test, ALanguagePositionOutOfRangeOpensWithTextsAndNoSelection) {
  current = "english";
  dir.profile({"Online Radio/combotaal=5"});
  open();
  EXPECT_EQ(text("Label1"), "Settings");
  EXPECT_EQ(combo()->count(), 2);
  EXPECT_EQ(combo()->currentIndex(), -1);
  EXPECT_EQ(combo()->currentText(), "");

  // OK without a language keeps the stored one rather than blanking every text.
  click("Command1");
  EXPECT_EQ(stored("Online Radio", "taal"), "Nederlands");
  EXPECT_EQ(stored("Online Radio", "combotaal"), "5");
  EXPECT_EQ(current, "english");
  EXPECT_EQ(form->result(), QDialog::Accepted);
}

TEST_F(Form4Test, OpeningTheLanguageListShowsTheRestartHintEachTime) {
  open();
  combo()->showPopup();
  combo()->hidePopup();
  EXPECT_EQ(text("labelLang"), "To confirm, please restart the program.");
  control<QLabel>("labelLang")->clear();
  combo()->showPopup();
  combo()->hidePopup();
  EXPECT_EQ(text("labelLang"), "To confirm, please restart the program.");
}

TEST_F(Form4Test, OkStoresTheOptionsAndStartsTheProgramWithTheSession) {
  open();
  QTest::mouseClick(check(1), Qt::LeftButton);
  QTest::mouseClick(check(3), Qt::LeftButton);
  // A greyed box is stored back as it is.
  QSignalSpy closed(form.get(), &QDialog::finished);
  click("Command1");
  EXPECT_EQ(closed.size(), 1);
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(stored("Windows", "laden"), "1");
  EXPECT_EQ(stored("Online Radio", "laden"), "");
  EXPECT_EQ(stored("Online Radio", "afspelen"), "2");
  EXPECT_EQ(stored("Online Radio", "grootscherm"), "0");
  EXPECT_EQ(stored("Online Radio", "xsluiten"), "0");
  EXPECT_EQ(stored("Online Radio", "combotaal"), "0");
  EXPECT_EQ(stored("Online Radio", "taal"), "Nederlands");

  ReadBackEntry written = entry();
  ASSERT_TRUE(written.error.isEmpty()) << written.error.toStdString();
  EXPECT_EQ(written.exec, QStringList{program});
  EXPECT_EQ(written.name, "Vantor Internet Radio");
  EXPECT_FALSE(written.hidden);

  // Turned off again: the entry stays, hidden.
  open();
  EXPECT_EQ(check(1)->checkState(), Qt::Checked);
  check(1)->click();
  click("Command1");
  EXPECT_EQ(stored("Windows", "laden"), "0");
  written = entry();
  ASSERT_TRUE(written.error.isEmpty()) << written.error.toStdString();
  EXPECT_TRUE(written.hidden);
  EXPECT_EQ(written.exec, QStringList{program});
}

TEST_F(Form4Test, ChoosingEnglishSwitchesEveryLaterLookup) {
  open();
  combo()->setCurrentIndex(1);
  click("Command1");
  EXPECT_EQ(stored("Online Radio", "combotaal"), "1");
  EXPECT_EQ(stored("Online Radio", "taal"), "english");
  EXPECT_EQ(current, "english");
  language.ShowLangError("error9");
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].text, "The settings could not be saved.");
}

TEST_F(Form4Test, CancelWritesNothing) {
  open();
  check(1)->click();
  check(4)->click();
  combo()->setCurrentIndex(1);
  click("Command2");
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_EQ(dir.read("inst.ini"), kFullProfile);
  EXPECT_FALSE(QFileInfo::exists(config.filePath("autostart")));
  EXPECT_EQ(current, "Nederlands");
}

TEST_F(Form4Test, AProfileThatCannotBeWrittenShowsError9AndKeepsTheDialogOpen) {
  open();
  combo()->setCurrentIndex(1);
  // A folder where inst.ini was: every write fails.
  QFile::remove(dir.file("inst.ini"));
  QDir().mkpath(dir.file("inst.ini"));
  QSignalSpy closed(form.get(), &QDialog::finished);
  click("Command1");
  ASSERT_EQ(prompt.texts(), QStringList{"De instellingen konden niet opgeslagen worden."});
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
  EXPECT_EQ(closed.size(), 0);
  EXPECT_EQ(current, "Nederlands");
  EXPECT_FALSE(QFileInfo::exists(config.entryFile()));
}

TEST_F(Form4Test, SkinsOptionsOpensTheSkinChooserDressedInTheCurrentSkin) {
  open();
  QString seenTitle;
  QStringList seenSkins;
  bool dressed = false;
  QTimer::singleShot(0, [&] {
    auto* chooser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    seenTitle = chooser->findChild<QLabel*>("Label1")->text();
    dressed = !chooser->findChild<QLabel*>("Image2")->pixmap().isNull();
    auto* list = chooser->findChild<QListWidget*>("List1");
    for (int i = 0; i < list->count(); ++i) seenSkins << list->item(i)->text();
    list->setCurrentRow(2);
    chooser->accept();
  });
  click("Command3");
  EXPECT_EQ(seenTitle, "Skins");
  EXPECT_TRUE(dressed);
  EXPECT_EQ(seenSkins, (QStringList{"Nacht", "Standaard", "Zomer"}));
  EXPECT_EQ(stored("Online Radio", "skin"), "Zomer");
  EXPECT_EQ(skinTimerStarts, 1);
  EXPECT_TRUE(prompt.boxes().empty());
}

}  // namespace
