#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ini.h"
#include "app/trap.h"
#include "bundled_directory.h"
#include "form1_fixture.h"
#include "player/Form1.h"
#include "player/favourites.h"
#include "playback/mediaplayer_gstreamer.h"
#include "station_click.h"

namespace {

using INI::ReadIni;

class FavouritesTest : public MainWindowTest {
 protected:
  // Starts the window and waits for its start-up routine, which points File1 at favo/.
  void start() {
    MainWindowTest::start();
    auto* timer3 = form->findChild<QTimer*>("Timer3");
    QSignalSpy ran(timer3, &QTimer::timeout);
    ASSERT_TRUE(ran.wait(5000));
    ASSERT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
  }
  QLabel* label(const char* name) { return form->findChild<QLabel*>(name); }
  QListWidget* file1() { return form->findChild<QListWidget*>("File1"); }
  QStringList shown() {
    QStringList names;
    for (int i = 0; i < file1()->count(); ++i) names << file1()->item(i)->text();
    return names;
  }
  QStringList favo() {
    return QDir(dir.file("favo")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  }
  void setStation(const QString& name, const QString& url, const QString& site) {
    listening.play(Station{name, url, site});
  }
  void press(const char* button) { QTest::mouseClick(form->findChild<QPushButton*>(button), Qt::LeftButton); }
  void clickFavourite(const QString& name) {
    const auto found = file1()->findItems(name, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << name.toStdString();
    file1()->setCurrentItem(found[0]);
    QTest::mouseClick(file1()->viewport(), Qt::LeftButton, {}, file1()->visualItemRect(found[0]).center());
  }
  QString key(const QString& file, const char* k) { return ReadIni(dir.file("favo/" + file), "Internet", k); }
  QString text(const char* k) { return form->language().LangText(k); }
};

TEST_F(FavouritesTest, AddWritesTheCurrentStationAndTheLatestValuesWin) {
  start();
  ClickOnlyStation(*form, "Radio Een", "http://s/1", "een.example/");
  ASSERT_EQ(player.url, "http://s/1");

  press("Command1");
  EXPECT_EQ(favo(), QStringList{"Radio Een"});
  EXPECT_EQ(shown(), QStringList{"Radio Een"});
  EXPECT_EQ(key("Radio Een", "naam"), "Radio Een");
  EXPECT_EQ(key("Radio Een", "url"), "http://s/1");
  EXPECT_EQ(key("Radio Een", "website"), "een.example/");
  EXPECT_TRUE(dir.read("favo/Radio Een").startsWith("[Internet]"));

  setStation("Radio Een", "http://s/1-hq", "een.example/live");
  press("Command1");
  EXPECT_EQ(favo(), QStringList{"Radio Een"});
  EXPECT_EQ(shown(), QStringList{"Radio Een"});
  EXPECT_EQ(key("Radio Een", "url"), "http://s/1-hq");
  EXPECT_EQ(key("Radio Een", "website"), "een.example/live");
  EXPECT_EQ(dir.read("favo/Radio Een").count("url="), 1);
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(FavouritesTest, AddWithoutAStationShowsError11AndWritesNothing) {
  start();
  setStation("", "http://s/1", "een.example/");
  press("Command1");
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Information);
  EXPECT_EQ(prompt.boxes()[0].text, text("error11"));
  EXPECT_TRUE(favo().isEmpty());
}

// A directory server chooses the station names: none of them may write anywhere but favo/.
TEST_F(FavouritesTest, NamesThatAreNoFileOfTheFolderWriteNothingAnywhere) {
  dir.write("favo/Bestaand", "[Internet]\nnaam=Bestaand\n");
  start();
  const QStringList before =
      QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
  const QByteArray profile = dir.read("inst.ini");
  for (const QString& name :
       QStringList{"../x", "a/b", "/", ".", "..", "../inst.ini", QString("x") + QChar(0) + "y"}) {
    setStation(name, "http://s/evil", "evil.example/");
    press("Command1");
  }
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
  EXPECT_EQ(favo(), QStringList{"Bestaand"});
  EXPECT_EQ(shown(), QStringList{"Bestaand"});
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
  EXPECT_EQ(dir.read("inst.ini"), profile);
  EXPECT_FALSE(QFile::exists(dir.path() + "/../x"));
  EXPECT_FALSE(QFile::exists(dir.file("favo/x")));

  // Nor may the file names handed to reading and deleting.
  const Favourites favourites(dir.folder().favourites());
  EXPECT_THROW(favourites.read("../inst.ini"), StepFailed);
  EXPECT_FALSE(favourites.remove("../inst.ini"));
  EXPECT_FALSE(favourites.remove(".."));
  EXPECT_EQ(dir.read("inst.ini"), profile);
  EXPECT_TRUE(QDir(dir.file("favo")).exists());
}

TEST_F(FavouritesTest, AwkwardNamesRoundTrip) {
  start();
  const QStringList names = {"Radio 538  Non-Stop", "\"Jazz\" & Blues", "  Zündfunk – Bayern 2",
                             "Kaffee & 'Kuchen'",   "Ö1 <b>Klassik",    "100%FM; #1 = best"};
  for (const QString& name : names) {
    setStation(name, "http://s/" + QString::number(names.indexOf(name)) + "?a=1&b=2", "site.example/" + name);
    press("Command1");
  }
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
  QStringList sorted = names;
  sorted.sort();
  EXPECT_EQ(favo(), sorted);
  EXPECT_EQ(shown(), sorted);

  for (const QString& name : names) {
    setStation("other", "http://s/other", "other.example/");
    clickFavourite(name);
    EXPECT_EQ(label("ZenderNaam")->text(), name);
    EXPECT_EQ(player.url, "http://s/" + QString::number(names.indexOf(name)) + "?a=1&b=2");
    EXPECT_EQ(label("RadioUrl")->text(), "site.example/" + name);
  }
  EXPECT_EQ(label("ZenderNaam")->textFormat(), Qt::PlainText);
  EXPECT_TRUE(prompt.boxes().empty());
}

// Hidden names and names up to the file system's 255 bytes are favourites like any other; the
// profile writer's temporary files never are.
TEST_F(FavouritesTest, DotNamesAndNamesOf255BytesAreKeptAndListed) {
  const QString writersOwn = QString(".~ini-%1-Ab3dE9").arg(QCoreApplication::applicationPid());
  dir.write("favo/" + writersOwn, "[Internet]\n");
  start();
  const QStringList names = {".Radio Punt",     "..",      QString(255, 'x'), QString(127, QChar(0xE9)) + "z",
                             QString(256, 'y'), writersOwn};
  for (const QString& name : names) {
    setStation(name, "http://s/" + name.left(3), "site.example/");
    press("Command1");
  }
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
  QStringList kept = {".Radio Punt", QString(127, QChar(0xE9)) + "z", QString(255, 'x')};
  kept.sort();
  EXPECT_EQ(shown(), kept);
  QStringList onDisk = QStringList(kept) << writersOwn;
  onDisk.sort();
  EXPECT_EQ(favo(), onDisk);
  clickFavourite(".Radio Punt");
  EXPECT_EQ(player.url, "http://s/.Ra");
}

TEST_F(FavouritesTest, AClickOrEnterPlaysTheFavouriteByItsOwnName) {
  dir.write("favo/mijn-bestand",
            "[Internet]\nnaam=Radio Anders\nurl=http://s/anders\nwebsite=anders.example/\n");
  dir.write("favo/leeg", "[Internet]\nnaam=Radio Leeg\n");
  start();
  player.calls.clear();
  clickFavourite("mijn-bestand");
  EXPECT_EQ(player.calls, QStringList{"url:http://s/anders"});
  EXPECT_EQ(label("ZenderNaam")->text(), "Radio Anders");
  EXPECT_EQ(label("RadioUrl")->text(), "anders.example/");

  // What the player reports then shows as after a station-list click.
  player.report(MediaPlayer::Playing, "Playing: Radio Anders");
  EXPECT_EQ(label("Label14")->text(), "Playing: Radio Anders");
  EXPECT_EQ(form->findChild<QPushButton*>("Command3")->text(), text("command3"));

  // Arrow keys only select; Enter plays. Missing keys read as empty.
  file1()->setFocus();
  QTest::keyClick(file1(), Qt::Key_Up);
  EXPECT_EQ(file1()->currentItem()->text(), "leeg");
  EXPECT_EQ(player.calls.size(), 1);
  QTest::keyClick(file1(), Qt::Key_Return);
  EXPECT_EQ(player.calls.last(), "url:");
  EXPECT_EQ(label("ZenderNaam")->text(), "Radio Leeg");
  EXPECT_EQ(label("RadioUrl")->text(), "");
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(FavouritesTest, AFavouriteThatIsGoneOrTooLargeShowsError12AndKeepsTheStation) {
  dir.write("favo/Weg", "[Internet]\nnaam=Weg\nurl=http://s/weg\n");
  dir.write("favo/Groot", "[Internet]\nnaam=Groot\nurl=http://s/groot\n;" +
                              QByteArray(Favourites::kMaxFileBytes, 'x') + "\n");
  start();
  setStation("Radio Nu", "http://s/nu", "nu.example/");
  QFile::remove(dir.file("favo/Weg"));
  clickFavourite("Weg");
  clickFavourite("Groot");
  EXPECT_EQ(prompt.texts(), QStringList({text("error12"), text("error12")}));
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);
  EXPECT_EQ(player.url, "http://s/nu");
  EXPECT_EQ(label("ZenderNaam")->text(), "Radio Nu");
  EXPECT_EQ(label("RadioUrl")->text(), "nu.example/");
}

TEST_F(FavouritesTest, RemoveDeletesTheSelectedFileWithoutAsking) {
  dir.write("favo/Een", "[Internet]\nnaam=Een\n");
  dir.write("favo/Twee", "[Internet]\nnaam=Twee\n");
  dir.write("favo/Drie", "[Internet]\nnaam=Drie\n");
  start();
  press("Command2");
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Plain);
  EXPECT_EQ(prompt.boxes()[0].text, text("error13"));
  EXPECT_EQ(favo().size(), 3);

  prompt.clear();
  clickFavourite("Twee");
  press("Command2");
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(favo(), QStringList({"Drie", "Een"}));
  EXPECT_EQ(shown(), QStringList({"Drie", "Een"}));
  // Nothing is selected after the refresh, so a second press deletes nothing.
  press("Command2");
  EXPECT_EQ(prompt.texts(), QStringList{text("error13")});
  EXPECT_EQ(favo().size(), 2);

  // A file that went away meanwhile: no box, and the list shows what is really there.
  prompt.clear();
  file1()->setCurrentRow(0);
  QFile::remove(dir.file("favo/Drie"));
  dir.write("favo/Vier", "[Internet]\nnaam=Vier\n");
  press("Command2");
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(shown(), QStringList({"Een", "Vier"}));
}

}  // namespace

namespace {

// A listener's way, with the real player on the bundled directory: play a station, keep it,
// start the program again, play the favourite, remove it.
TEST(FavouritesOnTheDemoDirectory, KeptStationPlaysAfterARestart) {
  qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  BundledDirectory directory;
  const auto run = [&](Listening& listening) {
    auto form = std::make_unique<Form1>(
        Form1Services{dir.folder(), prompt, listening, std::make_unique<FakeSystemTray>(),
                      DirectoryAddress(QString::fromStdString(directory.base()))});
    EXPECT_TRUE(QSignalSpy(form->findChild<QTimer*>("Timer1"), &QTimer::timeout).wait(10000));
    return form;
  };
  const auto playing = [](Form1& form) {
    return QTest::qWaitFor([&] { return form.findChild<QLabel*>("Label14")->text().startsWith("Playing: "); },
                           20000);
  };
  QString url;
  {
    GstMediaPlayer player;
    Listening listening(player);
    auto form = run(listening);
    auto* stations = form->findChild<QListWidget*>("List1");
    const auto found = stations->findItems("Polder FM", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    stations->setCurrentItem(found[0]);
    QTest::mouseClick(stations->viewport(), Qt::LeftButton, {}, stations->visualItemRect(found[0]).center());
    ASSERT_TRUE(playing(*form)) << form->findChild<QLabel*>("Label14")->text().toStdString();
    url = player.URL();
    QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  }
  GstMediaPlayer player;
  Listening listening(player);
  auto form = run(listening);
  auto* file1 = form->findChild<QListWidget*>("File1");
  ASSERT_EQ(file1->count(), 1);
  ASSERT_EQ(file1->item(0)->text(), "Polder FM");
  file1->setCurrentRow(0);
  QTest::mouseClick(file1->viewport(), Qt::LeftButton, {}, file1->visualItemRect(file1->item(0)).center());
  EXPECT_EQ(player.URL(), url);
  EXPECT_EQ(form->findChild<QLabel*>("ZenderNaam")->text(), "Polder FM");
  EXPECT_TRUE(playing(*form)) << form->findChild<QLabel*>("Label14")->text().toStdString();
  EXPECT_EQ(form->findChild<QPushButton*>("Command3")->text(), form->language().LangText("command3"));

  file1->setCurrentRow(0);
  QTest::mouseClick(form->findChild<QPushButton*>("Command2"), Qt::LeftButton);
  EXPECT_EQ(file1->count(), 0);
  EXPECT_FALSE(QFile::exists(dir.file("favo/Polder FM")));
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();
}

}  // namespace
