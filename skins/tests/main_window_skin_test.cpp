#include <QFile>

#include <gtest/gtest.h>

#include "skin.h"
#include "skin_test_support.h"

namespace {

class MainWindowSkinTest : public ::testing::Test, protected SkinFixture {
 protected:
  MainWindowPictures main;
  bool tick() {
    return ApplyMainWindowSkin(language, temp.folder(), main.image1, main.image2, main.skinfout,
                               main.window.size());
  }
};

TEST_F(MainWindowSkinTest, WithoutASkinSettingFallsBackToStandaardOnTheThirdTick) {
  temp.write("inst.ini", "[Online Radio]\ntaal=english\n");
  writeSkin("Standaard", Qt::darkBlue, Qt::lightGray);

  EXPECT_FALSE(tick());
  ASSERT_EQ(prompt.texts(), QStringList{text("error16")});
  EXPECT_EQ(prompt.boxes().front().kind, RecordingPrompt::Kind::Critical);
  EXPECT_EQ(prompt.boxes().front().caption, text("error0"));
  EXPECT_EQ(main.skinfout->text(), "2");
  EXPECT_EQ(skinSetting(), "");

  prompt.clear();
  EXPECT_FALSE(tick());
  EXPECT_EQ(prompt.texts(), (QStringList{text("error16"), text("error19")}));
  EXPECT_EQ(skinSetting(), "Standaard");

  prompt.clear();
  EXPECT_TRUE(tick());
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(main.image1->geometry(), QRect(0, 0, 669, 144));
  EXPECT_EQ(CentreColour(*main.image1), QColor(Qt::darkBlue));
  EXPECT_EQ(main.image2->geometry(), QRect(0, kBodyTop, 676, 564));
  EXPECT_TRUE(main.image2->hasScaledContents());
  EXPECT_EQ(CentreColour(*main.image2), QColor(Qt::lightGray));
}

TEST_F(MainWindowSkinTest, EveryTickRepeatsBothMessagesWhileStandaardIsMissingToo) {
  for (const char* role : {"head.skn", "frame1.skn", "balk1.skn"})
    ASSERT_TRUE(QFile::remove(temp.file(QStringLiteral("Standaard_") + role)));
  chooseSkin("Kapot");
  EXPECT_FALSE(tick());
  for (int i = 0; i < 2; ++i) {
    prompt.clear();
    EXPECT_FALSE(tick());
    EXPECT_EQ(prompt.texts(), (QStringList{text("error16"), text("error19")}));
    EXPECT_EQ(skinSetting(), "Standaard");
  }
}

TEST_F(MainWindowSkinTest, HeadLoadedButBodyMissingKeepsTheOldBody) {
  writeSkin("Oud", Qt::red, Qt::green);
  writeSkin("Half", Qt::blue, QColor());
  chooseSkin("Oud");
  ASSERT_TRUE(tick());

  chooseSkin("Half");
  EXPECT_FALSE(tick());
  EXPECT_EQ(prompt.texts(), QStringList{text("error16")});
  EXPECT_EQ(CentreColour(*main.image1), QColor(Qt::blue));
  EXPECT_EQ(CentreColour(*main.image2), QColor(Qt::green));
  EXPECT_EQ(main.skinfout->text(), "2");
}

TEST_F(MainWindowSkinTest, AFailureAfterAnEarlierOneInTheRunResetsEvenAfterASuccess) {
  writeSkin("Goed", Qt::red, Qt::green);
  chooseSkin("Weg");
  EXPECT_FALSE(tick());
  chooseSkin("Goed");
  EXPECT_TRUE(tick());

  // Later the chooser picks a skin whose pictures are gone.
  prompt.clear();
  chooseSkin("Weg");
  EXPECT_FALSE(tick());
  EXPECT_EQ(prompt.texts(), (QStringList{text("error16"), text("error19")}));
  EXPECT_EQ(skinSetting(), "Standaard");
  EXPECT_EQ(CentreColour(*main.image1), QColor(Qt::red));
}

TEST_F(MainWindowSkinTest, SkinNameMatchesFilesInAnyLetterCase) {
  writeSkin("Blauw", Qt::blue, Qt::white);
  chooseSkin("BLAUW");
  EXPECT_TRUE(tick());
  EXPECT_TRUE(prompt.boxes().empty());
}

}  // namespace
