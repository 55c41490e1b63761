#include <QDir>
#include <QFileInfo>

#include <functional>
#include <ostream>
#include <string>

#include "form1_fixture.h"

namespace {

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

  launch({"Online Radio/grootscherm=0"});
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(tray->visible);
  EXPECT_EQ(tray->tip, "Vantor Internet Radio");
}

TEST_F(Form1Test, WithoutATrayTheStartMinimisesTheWindow) {
  launch({"Online Radio/grootscherm=0", "Online Radio/xsluiten=0"}, false);
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(form->isMinimized());
  EXPECT_FALSE(tray->visible);
}

// A close set to end the program ends it and saves. Without a tray a closed window could not be
// reached: the close ends the program unless a station plays; then the window goes out of sight
// and the program says so.
TEST_F(Form1Test, CloseEndsWhenSetToOrWithoutATrayUnlessAStationPlays) {
  struct Case {
    const char* closeSetting;
    bool withTray;
    int state;
    bool ends;
  };
  const Case cases[] = {
      {"Online Radio/xsluiten=1", true, MediaPlayer::Stopped, true},
      {"Online Radio/xsluiten=0", false, MediaPlayer::Stopped, true},
      {"Online Radio/xsluiten=0", false, MediaPlayer::Ready, true},
      {"Online Radio/xsluiten=0", false, MediaPlayer::Playing, false},
      {"Online Radio/xsluiten=0", false, MediaPlayer::Transitioning, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.closeSetting << " tray " << c.withTray << " state " << c.state);
    launch({c.closeSetting}, c.withTray);
    QSignalSpy ended(form.get(), &Form1::endRequested);
    QSignalSpy background(form.get(), &Form1::playsInBackground);
    player.report(c.state, {});
    control<QSlider>("Slider1")->setValue(21);
    form->close();
    EXPECT_EQ(ended.count(), c.ends ? 1 : 0);
    EXPECT_EQ(background.count(), c.ends ? 0 : 1);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(tray->visible);
    EXPECT_EQ(remembered("Volume"), "21");
    if (c.ends) continue;
    form->activate();  // the desktop's media controls bring it back (MPRIS Raise)
    EXPECT_TRUE(form->isVisible() && !form->isMinimized());
  }
}

// Ctrl+Q ends the program as the tray's Close does, with a tray or without, playing or not.
TEST_F(Form1Test, CtrlQSavesAndEnds) {
  for (const bool withTray : {true, false}) {
    launch({"Online Radio/xsluiten=0", "Online Radio/grootscherm=1"}, withTray);
    player.report(MediaPlayer::Playing, {});
    QSignalSpy ended(form.get(), &Form1::endRequested);
    QSignalSpy background(form.get(), &Form1::playsInBackground);
    control<QSlider>("Slider1")->setValue(withTray ? 12 : 13);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_TRUE(ended.count() == 1 || ended.wait(2000)) << withTray;
    EXPECT_EQ(background.count(), 0);
    EXPECT_EQ(remembered("Volume"), withTray ? "12" : "13");
    EXPECT_FALSE(tray->visible);
  }
}

TEST_F(Form1Test, StartUpRestoresTheLastStationByPlaySetting) {
  dir.profile({"Onthouden/LaatsteURL=http://s/last"});
  const std::pair<QString, QStringList> cases[] = {
      {"1", {"url:http://s/last", "volume:50", "url:http://s/last"}},
      {"0", {"volume:50", "url:http://s/last", "stop"}},
      {"", {"volume:50", "url:http://s/last"}},
  };
  for (const auto& [play, calls] : cases) {
    player.calls.clear();
    launch({"Online Radio/afspelen=" + play});
    EXPECT_EQ(player.calls, calls) << play.toStdString();
  }
  EXPECT_FALSE(timer("Timer3")->isActive());
}

TEST_F(Form1Test, StartUpRestoresLabelsVolumeAndFavourites) {
  dir.write("favo/Radio Twee", "[Internet]\nnaam=Radio Twee\n");
  dir.write("favo/Alpha", "[Internet]\nnaam=Alpha\n");
  dir.write("favo/.hidden", "");
  launch({"Onthouden/LaatsteNAAM=Radio Drie", "Onthouden/LaatsteLandNaam=Belgium",
          "Onthouden/LaatsteLandbestand=belgie.txt", "Onthouden/Volume=42"});
  EXPECT_EQ(label("ZenderNaam"), "Radio Drie");
  EXPECT_EQ(label("TaalGeselecteerdTekst"), "Belgium");
  EXPECT_EQ(label("TaalGeselecteerd"), "belgie.txt");
  EXPECT_EQ(control<QSlider>("Slider1")->value(), 42);
  EXPECT_EQ(player.vol, 42);
  auto* favourites = control<QListWidget>("File1");
  ASSERT_EQ(favourites->count(), 3);
  EXPECT_EQ(favourites->item(0)->text(), ".hidden");
  EXPECT_EQ(favourites->item(1)->text(), "Alpha");
  EXPECT_EQ(favourites->item(2)->text(), "Radio Twee");
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(Form1Test, VolumeZeroStillReachesThePlayer) {
  launch({"Onthouden/Volume=0"});
  EXPECT_EQ(player.vol, 0);
}

TEST_F(Form1Test, MissingVolumeFailsTheStartOnce) {
  INI::WriteIni(dir.folder().instIni(), "Onthouden", "Volume", "");
  launch();
  QTest::qWait(500);
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_TRUE(prompt.boxes()[0].text.startsWith(form->language().LangText("error17")));
  EXPECT_TRUE(prompt.boxes()[0].text.endsWith("inst.ini: the remembered volume \"\" is not a whole number."));
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
  EXPECT_FALSE(timer("Timer3")->isActive());
  // The steps after the failing one did not run.
  EXPECT_EQ(control<QListWidget>("File1")->property("path").toString(), "");
}

TEST_F(Form1Test, MissingFavouritesFolderFailsTheStart) {
  QDir(dir.file("favo")).removeRecursively();
  launch();
  EXPECT_EQ(prompt.texts(), QStringList{"The favourites folder " + dir.file("favo") + " is missing."});
}

// A start on a broken inst.ini or favo/: one error that can be read and names the file, the
// fallback skin, and nothing written back that would keep later starts blank.
struct BrokenStart {
  const char* name;
  std::function<void(const TempProgramFolder&)> breakIt;
  const char* blamed;
  friend void PrintTo(const BrokenStart& start, std::ostream* os) { *os << start.name; }
};

class BrokenStartTest : public Form1Test, public ::testing::WithParamInterface<BrokenStart> {
 protected:
  QString profileState() {
    const QFileInfo info(dir.file("inst.ini"));
    return QString("%1 %2 %3 ").arg(info.exists()).arg(info.isDir()).arg(info.symLinkTarget()) +
           dir.read("inst.ini").toHex();
  }
};

TEST_P(BrokenStartTest, SaysWhichFileIsWrongAndWritesNothingBack) {
  QFile::remove(dir.file(GetParam().blamed));
  QDir(dir.file(GetParam().blamed)).removeRecursively();
  GetParam().breakIt(dir);
  const QString before = profileState();
  start();
  timer("Timer1")->stop();  // no directory here
  startUp();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !timer("Timer2")->isActive(); }, 10000));
  ASSERT_EQ(prompt.boxes().size(), 1u) << prompt.texts().join('|').toStdString();
  const auto& box = prompt.boxes()[0];
  const bool profileBlamed = GetParam().blamed == std::string("inst.ini");
  EXPECT_EQ(box.caption, "Vantor Internet Radio");
  EXPECT_EQ(box.text.startsWith(INI::ReadIni(dir.file("lang.ini"), "english", "error17") + "\n\n"),
            profileBlamed);
  EXPECT_TRUE(box.text.contains(dir.file(GetParam().blamed))) << box.text.toStdString();
  EXPECT_EQ(box.text.contains("inst.ini"), profileBlamed) << box.text.toStdString();
  EXPECT_FALSE(control<QLabel>("Image1")->pixmap().isNull());

  form->close();
  if (profileBlamed) {
    EXPECT_EQ(profileState(), before);
  }
}

INSTANTIATE_TEST_SUITE_P(
    , BrokenStartTest,
    ::testing::Values(BrokenStart{"Missing", [](auto&) {}, "inst.ini"},
                      BrokenStart{"Folder", [](auto& d) { QDir().mkdir(d.file("inst.ini")); }, "inst.ini"},
                      BrokenStart{"DanglingLink",
                                  [](auto& d) { QFile::link(d.file("gone"), d.file("inst.ini")); },
                                  "inst.ini"},
                      BrokenStart{"Garbage",
                                  [](auto& d) { d.write("inst.ini", "\x89PNG\r\n\x1a\n no profile"); },
                                  "inst.ini"},
                      BrokenStart{"FavouritesAreAFile", [](auto& d) { d.write("favo", ""); }, "favo"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Form1Test, CloseSavesTheStateAndGoesToTheTray) {
  launch({"Online Radio/xsluiten=0"});
  QSignalSpy ended(form.get(), &Form1::endRequested);
  listening.play(Station{"Radio Nu", "http://s/now", {}});
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

TEST_F(Form1Test, TrayCloseEndsAfterSavingEvenWhenCloseHides) {
  launch({"Online Radio/xsluiten=0"});
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
  launch({"Online Radio/grootscherm=0"});
  ASSERT_TRUE(tray->visible);
  QMenu& menu = form->IconTray();
  // The shell opens the menu itself on a right click: a menu popped up by hand from a hidden
  // window does not open on Wayland shells.
  EXPECT_EQ(tray->menu, &menu);
  QStringList captions;
  for (QAction* a : menu.actions()) captions << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(captions, QStringList({"Mute On/Off", "Stop Playing", "Song history", "Record On/Off", "-",
                                   "Open", "-", "Close"}));
  menu.findChild<QAction*>("open")->trigger();
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(tray->visible);
}

// A StatusNotifier panel shows the menu's items before it is ever opened.
TEST_F(Form1Test, TrayItemsAreInTheProgramsLanguageBeforeTheMenuOpens) {
  dir.profile({"Online Radio/taal=Nederlands"});
  start();
  const auto captions = [this] {
    return form->IconTray().findChild<QAction*>("historie")->text() + '|' +
           form->IconTray().findChild<QAction*>("opnemen")->text();
  };
  EXPECT_EQ(captions(), "Gehoorde nummers|Opnemen aan/uit");
  control<QLineEdit>("gESelecteerdland")->setText("english");
  EXPECT_EQ(captions(), "Song history|Record On/Off");
}

TEST_F(Form1Test, KeepsItsFixedSizeOffersNoMaximiseAndHandsALargeStateBack) {
  launch();
  EXPECT_EQ(form->size(), QSize(676, 564));
  form->resize(800, 300);
  QCoreApplication::processEvents();
  EXPECT_EQ(form->size(), QSize(676, 564));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  for (Qt::WindowState large : {Qt::WindowMaximized, Qt::WindowFullScreen}) {
    form->show();
    form->setWindowState(large);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(form->windowState() & large); }, 5000)) << large;
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(676, 564));
  }
}

TEST_F(Form1Test, ALaterCopyBringsTheWindowBackFromTheTray) {
  start();
  form->close();  // to the tray
  ASSERT_FALSE(form->isVisible());
  ASSERT_TRUE(tray->visible);
  form->activateWithToken("launcher-token_TIME42");
  EXPECT_TRUE(form->isVisible());
  EXPECT_FALSE(form->isMinimized());
  EXPECT_FALSE(tray->visible);
}

}  // namespace
