#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ini.h"
#include "desktop/trayicon.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "player/pageview.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

using INI::ReadIni;

// Waits for the timer's next tick (the window's own handler runs on it first).
void tick(QTimer* timer) {
  ASSERT_TRUE(timer->isActive()) << timer->objectName().toStdString();
  QSignalSpy spy(timer, &QTimer::timeout);
  ASSERT_TRUE(spy.wait(timer->interval() * 5 + 500)) << timer->objectName().toStdString();
}

class Form1Test : public ::testing::Test {
 protected:
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  FakeSystemTray* tray = nullptr;
  std::unique_ptr<Form1> form;

  // Nothing listens on port 9 of loopback: every download fails fast.
  void start(const QString& directory = "http://127.0.0.1:9/") {
    auto fakeTray = std::make_unique<FakeSystemTray>();
    tray = fakeTray.get();
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, player, std::move(fakeTray),
                                                 DirectoryAddress(directory)});
  }
  template <typename T>
  T* control(const char* name) {
    T* c = form->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QTimer* timer(const char* name) { return control<QTimer>(name); }
  QString label(const char* name) { return control<QLabel>(name)->text(); }
  QString remembered(const char* key) { return ReadIni(dir.folder().instIni(), "Onthouden", key); }
  void startUp() {
    tick(timer("Timer3"));
  }
  void fillStations() {
    auto* l1 = control<QListWidget>("List1");
    l1->clear();
    l1->addItems({"Radio Een", "Radio Twee", "Radio Drie"});
    control<QListWidget>("List2")->addItems({"http://s/1", "http://s/2", "http://s/3"});
    control<QListWidget>("List3")->addItems({"een.example/", "twee.example/", "drie.example/"});
  }
  void clickRow(int row) {
    auto* list = control<QListWidget>("List1");
    list->setCurrentRow(row);
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }
};

TEST_F(Form1Test, LoadsAndAppliesTheLanguageTexts) {
  dir.profile({"Online Radio/taal=Nederlands"});
  start();
  EXPECT_EQ(form->windowTitle(), "Vantor Internet Radio");
  EXPECT_EQ(control<QLineEdit>("gESelecteerdland")->text(), "Nederlands");
  auto* list = control<QListWidget>("List1");
  ASSERT_EQ(list->count(), 1);
  EXPECT_EQ(list->item(0)->text(), form->language().LangText("error14"));
  EXPECT_EQ(label("MsnTekst"), "Luistert naar:");
  // Design texts until the first tick of Timer5.
  EXPECT_EQ(label("Label12"), "Zender zoeken");
  tick(timer("Timer5"));
  EXPECT_FALSE(timer("Timer5")->isActive());
  EXPECT_EQ(label("Label1"), "Ander land selecteren");
  EXPECT_EQ(label("Label14"), "Kies een zender om te spelen..");
  EXPECT_EQ(control<QPushButton>("Command3")->text(), "Stop");
}

TEST_F(Form1Test, EnglishTextsAndAMissingKeyLeavesTheCaptionEmpty) {
  INI::WriteIni(dir.file("lang.ini"), "english", "label12", "");
  dir.write("lang2.ini", "");
  start();
  tick(timer("Timer5"));
  EXPECT_EQ(label("Label1"), "Choose another country");
  EXPECT_EQ(label("Label9"), "Volume:");
  EXPECT_EQ(label("Label12"), "");
  EXPECT_EQ(control<QPushButton>("Command1")->text(), "Add");
}

TEST_F(Form1Test, HomePageRequestCarriesLanguageAndVersionInOrder) {
  dir.profile({"Online Radio/taal=english"});
  start();
  EXPECT_EQ(control<PageView>("WebBrowser1")->currentUrl(),
            "http://127.0.0.1:9/radio/inter/website/index.php?wat=home&lang=english&versie=2.0");
  // Right after start the web-site label holds the directory's own address.
  EXPECT_EQ(label("RadioUrl"), "127.0.0.1:9/");
}

TEST_F(Form1Test, StartUpShowsTheWindowOrGoesToTheTray) {
  dir.profile({"Online Radio/grootscherm=1"});
  start();
  EXPECT_FALSE(form->isVisible());
  startUp();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tray->visible);

  dir.profile({"Online Radio/grootscherm=0"});
  start();
  startUp();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(tray->visible);
  EXPECT_EQ(tray->tip, "Vantor Internet Radio");
}

TEST_F(Form1Test, WithoutATrayTheWindowIsMinimisedInstead) {
  dir.profile({"Online Radio/grootscherm=0", "Online Radio/xsluiten=0"});
  start();
  tray->available = false;
  startUp();
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->isMinimized());
  EXPECT_FALSE(tray->visible);
  form->showNormal();
  form->close();
  EXPECT_TRUE(form->isMinimized());
  EXPECT_FALSE(tray->visible);
}

TEST_F(Form1Test, StartUpRestoresTheLastStationByPlaySetting) {
  dir.profile({"Onthouden/LaatsteURL=http://s/last", "Online Radio/afspelen=1"});
  start();
  startUp();
  EXPECT_EQ(player.calls, QStringList({"url:http://s/last", "volume:50", "url:http://s/last"}));

  dir.profile({"Online Radio/afspelen=0"});
  player.calls.clear();
  start();
  startUp();
  EXPECT_EQ(player.calls, QStringList({"volume:50", "url:http://s/last", "stop"}));

  INI::WriteIni(dir.folder().instIni(), "Online Radio", "afspelen", "");
  player.calls.clear();
  start();
  startUp();
  EXPECT_EQ(player.calls, QStringList({"volume:50", "url:http://s/last"}));
  EXPECT_FALSE(timer("Timer3")->isActive());
}

TEST_F(Form1Test, StartUpRestoresLabelsVolumeAndFavourites) {
  dir.profile({"Onthouden/LaatsteNAAM=Radio Drie", "Onthouden/LaatsteLandNaam=Belgium",
               "Onthouden/LaatsteLandbestand=belgie.txt", "Onthouden/Volume=42"});
  dir.write("favo/Radio Twee", "[Internet]\nnaam=Radio Twee\n");
  dir.write("favo/Alpha", "[Internet]\nnaam=Alpha\n");
  dir.write("favo/.hidden", "");
  start();
  startUp();
  EXPECT_EQ(label("ZenderNaam"), "Radio Drie");
  EXPECT_EQ(label("TaalGeselecteerdTekst"), "Belgium");
  EXPECT_EQ(label("TaalGeselecteerd"), "belgie.txt");
  EXPECT_EQ(control<QSlider>("Slider1")->value(), 42);
  EXPECT_EQ(player.vol, 42);
  auto* favourites = control<QListWidget>("File1");
  ASSERT_EQ(favourites->count(), 2);
  EXPECT_EQ(favourites->item(0)->text(), "Alpha");
  EXPECT_EQ(favourites->item(1)->text(), "Radio Twee");
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form1Test, VolumeZeroStillReachesThePlayer) {
  dir.profile({"Onthouden/Volume=0"});
  start();
  startUp();
  EXPECT_EQ(player.vol, 0);
}

TEST_F(Form1Test, MissingVolumeFailsTheStartOnce) {
  INI::WriteIni(dir.folder().instIni(), "Onthouden", "Volume", "");
  start();
  startUp();
  QTest::qWait(500);
  EXPECT_EQ(prompt.texts().count(form->language().LangText("error17")), 1);
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
  EXPECT_FALSE(timer("Timer3")->isActive());
  // The steps after the failing one did not run.
  EXPECT_EQ(control<QListWidget>("File1")->property("path").toString(), "");
}

TEST_F(Form1Test, MissingFavouritesFolderFailsTheStart) {
  QDir(dir.file("favo")).removeRecursively();
  start();
  startUp();
  EXPECT_EQ(prompt.texts(), QStringList{form->language().LangText("error17")});
}

TEST_F(Form1Test, CloseSavesTheStateAndGoesToTheTray) {
  dir.profile({"Online Radio/xsluiten=0"});
  start();
  startUp();
  QSignalSpy ended(form.get(), &Form1::endRequested);
  player.url = "http://s/now";
  control<QLabel>("ZenderNaam")->setText("Radio Nu");
  control<QLabel>("TaalGeselecteerdTekst")->setText("France");
  control<QLabel>("TaalGeselecteerd")->setText("frankrijk.txt");
  control<QSlider>("Slider1")->setValue(42);
  form->close();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(tray->visible);
  EXPECT_EQ(ended.count(), 0);
  EXPECT_EQ(remembered("LaatsteNAAM"), "Radio Nu");
  EXPECT_EQ(remembered("LaatsteURL"), "http://s/now");
  EXPECT_EQ(remembered("Volume"), "42");
  EXPECT_EQ(remembered("LaatsteLandNaam"), "France");
  EXPECT_EQ(remembered("LaatsteLandBestand"), "frankrijk.txt");

  // A click on the icon brings the window back and takes the icon away.
  tray->press();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tray->visible);
}

TEST_F(Form1Test, CloseEndsTheProgramWhenSetTo) {
  dir.profile({"Online Radio/xsluiten=1"});
  start();
  startUp();
  QSignalSpy ended(form.get(), &Form1::endRequested);
  control<QSlider>("Slider1")->setValue(7);
  form->close();
  EXPECT_EQ(ended.count(), 1);
  EXPECT_FALSE(form->isVisible());
  EXPECT_FALSE(tray->visible);
  EXPECT_EQ(remembered("Volume"), "7");
}

TEST_F(Form1Test, TrayCloseEndsAfterSavingEvenWhenCloseHides) {
  dir.profile({"Online Radio/xsluiten=0"});
  start();
  startUp();
  QSignalSpy ended(form.get(), &Form1::endRequested);
  control<QSlider>("Slider1")->setValue(33);
  form->IconTray().findChild<QAction*>("sluit")->trigger();
  EXPECT_EQ(remembered("Volume"), "33");
  EXPECT_TRUE(tray->visible);  // the close went to the tray first
  ASSERT_TRUE(ended.wait(2000));
  EXPECT_FALSE(tray->visible);
  EXPECT_FALSE(timer("Timer4")->isActive());
}

TEST_F(Form1Test, TrayMenuOpenAndRightClick) {
  dir.profile({"Online Radio/grootscherm=0"});
  start();
  startUp();
  ASSERT_TRUE(tray->visible);
  QMenu& menu = form->IconTray();
  // The shell opens the menu itself on a right click: a menu popped up by hand from a hidden
  // window does not open on Wayland shells.
  EXPECT_EQ(tray->menu, &menu);
  QStringList captions;
  for (QAction* a : menu.actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions, QStringList({"Mute On/Off", "Stop Playing", "-", "Open", "-", "Close"}));
  menu.findChild<QAction*>("open")->trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tray->visible);
}

TEST_F(Form1Test, WindowKeepsItsFixedSize) {
  start();
  startUp();
  EXPECT_EQ(form->size(), QSize(676, 564));
  form->resize(800, 300);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->size(), QSize(676, 564));
}

TEST_F(Form1Test, StationClickPlaysAndSetsTheLabels) {
  start();
  startUp();
  fillStations();
  player.calls.clear();
  clickRow(2);
  EXPECT_EQ(player.calls, QStringList{"url:http://s/3"});
  EXPECT_EQ(label("ZenderNaam"), "Radio Drie");
  EXPECT_EQ(label("RadioUrl"), "drie.example/");

  // Arrow keys only select; Enter plays.
  auto* list = control<QListWidget>("List1");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(player.calls.size(), 1);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(player.calls.last(), "url:http://s/2");
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form1Test, StationWithoutAddressReportsError15AndKeepsWhatWasSet) {
  start();
  startUp();
  auto* list = control<QListWidget>("List1");
  list->addItem("Extra");
  control<QListWidget>("List2")->addItems({"http://s/a", "http://s/b"});
  control<QListWidget>("List3")->addItem("a.example/");
  clickRow(1);  // second station: address but no home page
  EXPECT_EQ(player.url, "http://s/b");
  EXPECT_EQ(label("ZenderNaam"), "Extra");
  EXPECT_EQ(prompt.texts(), QStringList{form->language().LangText("error15")});
}

TEST_F(Form1Test, PlayButtonFollowsThePlayerState) {
  start();
  tick(timer("Timer5"));
  auto* button = control<QPushButton>("Command3");
  player.report(MediaPlayer::Transitioning, "Buffering 40%");
  EXPECT_EQ(button->text(), "Wait...");
  EXPECT_EQ(label("Label14"), "Buffering 40%");
  player.calls.clear();
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(player.calls, QStringList{"stop"});
  player.report(MediaPlayer::Stopped, "Stopped");
  EXPECT_EQ(button->text(), "Play");
  QTest::mouseClick(button, Qt::LeftButton);
  player.report(MediaPlayer::Playing, "Playing: A - B");
  EXPECT_EQ(button->text(), "Stop");
  QTest::mouseClick(button, Qt::LeftButton);
  player.report(MediaPlayer::Ready, "Ready");
  EXPECT_EQ(button->text(), "Play");
  QTest::mouseClick(button, Qt::LeftButton);
  player.report(MediaPlayer::Paused, "Paused");
  EXPECT_EQ(button->text(), "Play");
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(player.calls, QStringList({"stop", "play", "stop", "play"}));

  form->IconTray().findChild<QAction*>("stopspelen")->trigger();
  EXPECT_EQ(player.calls.last(), "close");
}

TEST_F(Form1Test, PlayerErrorOffersTheReportPage) {
  start();
  player.url = "http://s/x?a=1&b=2";
  control<QLabel>("ZenderNaam")->setText("Radio & Co");
  control<QLabel>("TaalGeselecteerdTekst")->setText("Holland");
  prompt.answerNext(false);
  player.fail();
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Question);
  EXPECT_EQ(prompt.boxes()[0].text, form->language().LangText("error18"));
  const QString home = control<PageView>("WebBrowser1")->currentUrl();
  EXPECT_TRUE(home.contains("wat=home"));

  prompt.answerNext(true);
  player.fail();
  EXPECT_EQ(control<PageView>("WebBrowser1")->currentUrl(),
            "http://127.0.0.1:9/radio/inter/website/index.php?wat=melding&lang=english"
            "&zenderurl=http%3A%2F%2Fs%2Fx%3Fa%3D1%26b%3D2&zendernaam=Radio%20%26%20Co&zenderland=Holland");
}

TEST_F(Form1Test, MuteSwitchesAndTheSlider) {
  start();
  startUp();
  auto* slider = control<QSlider>("Slider1");
  auto* indicator = control<QLabel>("Label15");
  slider->setValue(30);
  EXPECT_EQ(player.vol, 30);

  QTest::mouseClick(control<QLabel>("Label9"), Qt::LeftButton);
  EXPECT_TRUE(player.muted);
  EXPECT_FALSE(indicator->isHidden());
  slider->setValue(80);
  EXPECT_EQ(player.vol, 30);  // nothing passes while muted
  QTest::mouseClick(control<QLabel>("Label9"), Qt::LeftButton);
  EXPECT_FALSE(player.muted);
  EXPECT_TRUE(indicator->isHidden());
  EXPECT_EQ(player.vol, 30);  // until the slider moves again
  QTest::mouseMove(slider, slider->rect().center());
  EXPECT_EQ(player.vol, 80);

  // The indicator label unmutes and hides itself; muting through it leaves it as it was.
  QTest::mouseClick(indicator, Qt::LeftButton);
  EXPECT_TRUE(player.muted);
  EXPECT_TRUE(indicator->isHidden());
  player.muted = true;
  indicator->show();
  QTest::mouseClick(indicator, Qt::LeftButton);
  EXPECT_FALSE(player.muted);
  EXPECT_TRUE(indicator->isHidden());
}

TEST_F(Form1Test, TrayMuteIsShownByTimer6AndNotRemembered) {
  start();
  startUp();
  form->IconTray().findChild<QAction*>("muting")->trigger();
  EXPECT_TRUE(player.muted);
  EXPECT_TRUE(control<QLabel>("Label15")->isHidden());
  tick(timer("Timer6"));
  EXPECT_FALSE(control<QLabel>("Label15")->isHidden());
  EXPECT_TRUE(timer("Timer6")->isActive());

  form->close();
  // Mute belongs to the run: nothing of it is saved, and the next run sets none.
  EXPECT_FALSE(dir.read("inst.ini").toLower().contains("mute"));
  FakeMediaPlayer nextRun;
  Form1 next(Form1Services{dir.folder(), prompt, nextRun, std::make_unique<FakeSystemTray>(),
                           DirectoryAddress("http://127.0.0.1:9/")});
  tick(next.findChild<QTimer*>("Timer3"));
  EXPECT_FALSE(nextRun.muted);
  EXPECT_FALSE(nextRun.calls.join(' ').contains("mute:"));
  EXPECT_TRUE(next.findChild<QLabel*>("Label15")->isHidden());
}

TEST_F(Form1Test, Timer6RemovesTheIconWhileTheWindowIsVisible) {
  dir.profile({"Online Radio/grootscherm=0"});
  start();
  startUp();
  ASSERT_TRUE(tray->visible);
  form->show();
  tick(timer("Timer6"));
  EXPECT_FALSE(tray->visible);
}

}  // namespace
