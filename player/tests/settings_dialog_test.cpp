#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QMessageBox>

#include <functional>

#include "app/clicklabel.h"
#include "form1_fixture.h"
#include "playback/mediaplayer_gstreamer.h"
#include "settings/tests/autostart_test_support.h"

namespace {

// Runs the step on the next modal dialog of the given class once it is shown.
void WhenShown(const char* className, std::function<void(QDialog&)> step, int triesLeft = 200) {
  QTimer::singleShot(10, [=] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog && dialog->isVisible() && dialog->inherits(className)) {
      step(*dialog);
    } else if (triesLeft > 0) {
      WhenShown(className, step, triesLeft - 1);
    } else {
      ADD_FAILURE() << "no " << className << " was shown";
    }
  });
}

template <typename T>
T* Control(QWidget& window, const char* name) {
  T* c = window.findChild<T*>(name);
  if (!c) ADD_FAILURE() << "no control " << name;
  return c;
}

// The main window with its settings reached through the Instellingen label.
class SettingsFromMainWindowTest : public MainWindowTest {
 protected:
  TemporaryConfigHome config;

  void SetUp() override {
    dir.profile({"Online Radio/taal=Nederlands", "Online Radio/combotaal=0"});
    start();
    // No directory here: the station list download would only add its own error box.
    Control<QTimer>(*form, "Timer1")->stop();
  }
  void TearDown() override { form.reset(); }  // while the configuration home is still the test's
  void openSettings() { Q_EMIT Control<ClickLabel>(*form, "Label4")->clicked(); }
  QTimer* timer2() { return Control<QTimer>(*form, "Timer2"); }
  // The head picture's colour in the middle of its right half, where every skin draws its own.
  QColor headColour() {
    const QImage head = Control<QLabel>(*form, "Image1")->pixmap().toImage();
    return head.isNull() ? QColor() : head.pixelColor(500, 110);
  }
  QColor headColourOf(const QString& skin) {
    return QImage(dir.file(skin + "_head.skn")).pixelColor(500, 110);
  }
};

TEST_F(SettingsFromMainWindowTest, TwoClicksInTheChooserLeaveTheSecondSkinOnTheMainWindow) {
  ASSERT_TRUE(QTest::qWaitFor([&] { return !timer2()->isActive(); }, 10000));
  ASSERT_EQ(headColour(), headColourOf("Standaard"));
  ASSERT_NE(headColourOf("Zomer"), headColourOf("Nacht"));

  bool settingsDressed = false;
  WhenShown("Form4", [&](QDialog& settings) {
    settingsDressed = !Control<QLabel>(settings, "Image1")->pixmap().isNull();
    WhenShown("Form5", [&](QDialog& chooser) {
      auto* list = Control<QListWidget>(chooser, "List1");
      list->setCurrentRow(2);  // Zomer
      list->setCurrentRow(0);  // Nacht
      // The main window changes while the chooser is still open.
      EXPECT_TRUE(QTest::qWaitFor([&] { return !timer2()->isActive(); }, 10000));
      EXPECT_EQ(headColour(), headColourOf("Nacht"));
      Control<QPushButton>(chooser, "Command1")->click();
    });
    Control<QPushButton>(settings, "Command3")->click();
    Control<QPushButton>(settings, "Command2")->click();
  });
  openSettings();
  EXPECT_TRUE(settingsDressed);
  EXPECT_EQ(INI::ReadIni(dir.folder().instIni(), "Online Radio", "skin"), "Nacht");
  EXPECT_EQ(headColour(), headColourOf("Nacht"));
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join("; ").toStdString();
}

TEST_F(SettingsFromMainWindowTest, OkSwitchesTheLanguageAndWritesAnEntryThatRunsTheProgram) {
  WhenShown("Form4", [&](QDialog& settings) {
    Control<QCheckBox>(settings, "Check1")->setChecked(true);
    Control<QComboBox>(settings, "Combo1")->setCurrentIndex(1);
    Control<QPushButton>(settings, "Command1")->click();
  });
  openSettings();
  EXPECT_EQ(form->language().current(), "english");
  EXPECT_EQ(INI::ReadIni(dir.folder().instIni(), "Windows", "laden"), "1");
  const ReadBackEntry entry = ReadDesktopEntry(config.entryFile());
  ASSERT_TRUE(entry.error.isEmpty()) << entry.error.toStdString();
  EXPECT_EQ(entry.exec, QStringList{QCoreApplication::applicationFilePath()});
  EXPECT_FALSE(entry.hidden);

  // The next message comes in English: the settings cannot be opened without a title bar.
  QFile::remove(dir.file("Standaard_balk1.skn"));
  openSettings();
  EXPECT_EQ(prompt.texts(), QStringList{"This action could not be carried out."});
}

// The buttons Qt gives a message box, "Yes/No".
QString yesNo() {
  QMessageBox box(QMessageBox::Question, {}, {}, QMessageBox::Yes | QMessageBox::No);
  return box.button(QMessageBox::Yes)->text() + '/' + box.button(QMessageBox::No)->text();
}

// The player's own status texts, Qt's buttons and the settings' title follow the program's
// language, also when it is switched.
TEST(StatusLineLanguage, DutchWithNederlandsAndEnglishAfterTheSettingsSwitch) {
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  TemporaryConfigHome config;
  RecordingPrompt prompt;
  GstMediaPlayer player;
  Listening listening{player};
  dir.profile({"Online Radio/taal=Nederlands", "Online Radio/combotaal=0"});
  Form1 form(Form1Services{dir.folder(), prompt, listening, std::make_unique<FakeSystemTray>(),
                           DirectoryAddress("http://127.0.0.1:9/")});
  Control<QTimer>(form, "Timer1")->stop();
  auto* status = Control<QLabel>(form, "Label14");
  QAction* stopPlaying = form.IconTray().findChild<QAction*>("stopspelen");
  player.stop();
  EXPECT_EQ(status->text(), "Gestopt");
  stopPlaying->trigger();
  EXPECT_EQ(status->text(), "Gereed");
  EXPECT_EQ(yesNo(), "&Ja/&Nee");

  QStringList titles;
  WhenShown("Form4", [&](QDialog& settings) {
    titles << settings.windowTitle();
    Control<QComboBox>(settings, "Combo1")->setCurrentIndex(1);
    Control<QPushButton>(settings, "Command1")->click();
  });
  Q_EMIT Control<ClickLabel>(form, "Label4")->clicked();
  player.stop();
  EXPECT_EQ(status->text(), "Stopped");
  stopPlaying->trigger();
  EXPECT_EQ(status->text(), "Ready");
  EXPECT_EQ(yesNo(), "&Yes/&No");
  WhenShown("Form4", [&](QDialog& settings) {
    titles << settings.windowTitle();
    settings.reject();
  });
  Q_EMIT Control<ClickLabel>(form, "Label4")->clicked();
  EXPECT_EQ(titles, QStringList({"Instellingen", "Settings"}));
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
}

}  // namespace
