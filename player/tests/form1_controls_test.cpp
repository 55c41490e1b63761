#include "form1_fixture.h"

namespace {

TEST_F(Form1Test, StationClickPlaysAndSetsTheLabels) {
  launch();
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
  launch();
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
  listening.play(Station{"Radio & Co", "http://s/x?a=1&b=2", {}});
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
  launch();
  auto* slider = control<QSlider>("Slider1");
  auto* indicator = control<QLabel>("Label15");
  QSignalSpy shown(form.get(), &Form1::volumeChanged);
  form->setVolume(30);  // as the desktop's media controls ask
  EXPECT_EQ(player.vol, 30);
  EXPECT_EQ(slider->value(), 30);

  QTest::mouseClick(control<QLabel>("Label9"), Qt::LeftButton);
  EXPECT_TRUE(player.muted);
  EXPECT_FALSE(indicator->isHidden());
  form->setVolume(80);
  EXPECT_EQ(slider->value(), 80);
  EXPECT_EQ(player.vol, 30);  // nothing passes while muted
  ASSERT_EQ(shown.count(), 2);
  EXPECT_EQ(shown.last().first().toInt(), 80);
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
  launch();
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
  Listening nextListening{nextRun};
  Form1 next(Form1Services{dir.folder(), prompt, nextListening, std::make_unique<FakeSystemTray>(),
                           DirectoryAddress("http://127.0.0.1:9/")});
  tick(next.findChild<QTimer*>("Timer3"));
  EXPECT_FALSE(nextRun.muted);
  EXPECT_FALSE(nextRun.calls.join(' ').contains("mute:"));
  EXPECT_TRUE(next.findChild<QLabel*>("Label15")->isHidden());
}

TEST_F(Form1Test, Timer6RemovesTheIconWhileTheWindowIsVisible) {
  launch({"Online Radio/grootscherm=0"});
  ASSERT_TRUE(tray->visible);
  form->show();
  tick(timer("Timer6"));
  EXPECT_FALSE(tray->visible);
}

}  // namespace
