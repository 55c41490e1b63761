#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ini.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

// An installed copy: the shipped files in a folder the program must not write to, the
// settings and favourites in the user's data folder.
class PerUserFolderTest : public ::testing::Test {
 protected:
  TempProgramFolder installed{TempProgramFolder::Contents::ShippedData};
  QTemporaryDir home;
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  Listening listening{player};

  std::unique_ptr<Form1> open() {
    const ProgramFolder folder =
        ProgramFolder::choose(installed.path(), home.path(), [](const QString&) { return false; });
    return std::make_unique<Form1>(Form1Services{folder, prompt, listening, std::make_unique<FakeSystemTray>(),
                                                 DirectoryAddress("http://127.0.0.1:9/")});
  }
  static void tick(Form1& form, const char* name) {
    auto* timer = form.findChild<QTimer*>(name);
    ASSERT_TRUE(timer && timer->isActive()) << name;
    QSignalSpy spy(timer, &QTimer::timeout);
    ASSERT_TRUE(spy.wait(timer->interval() * 5 + 500)) << name;
  }
};

TEST_F(PerUserFolderTest, StartsSkinnedAndSavesTheStateInTheUserFolder) {
  installed.profile({"Online Radio/xsluiten=1"});  // the default a new user gets
  const QByteArray defaults = installed.read("inst.ini");
  {
    auto form = open();
    tick(*form, "Timer3");
    tick(*form, "Timer2");
    EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join(" | ").toStdString();
    EXPECT_FALSE(form->findChild<QLabel*>("Image1")->pixmap().isNull()) << "skin from the installed folder";
    listening.play(Station{"Radio Nu", "http://s/now", {}});
    form->close();
  }
  EXPECT_EQ(installed.read("inst.ini"), defaults) << "the installed defaults are never written";
  const QString mine = home.path() + "/vantor-radio/inst.ini";
  EXPECT_EQ(INI::ReadIni(mine, "Onthouden", "LaatsteNAAM"), "Radio Nu");
  EXPECT_EQ(INI::ReadIni(mine, "Onthouden", "LaatsteURL"), "http://s/now");

  // The next start finds the remembered station.
  auto again = open();
  tick(*again, "Timer3");
  EXPECT_EQ(again->findChild<QLabel*>("ZenderNaam")->text(), "Radio Nu");
}

}  // namespace
