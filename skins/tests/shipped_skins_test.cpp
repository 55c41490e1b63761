#include <QFileInfo>

#include <gtest/gtest.h>

#include "skin.h"
#include "skin_test_support.h"

namespace {

class ShippedSkinTest : public ::testing::TestWithParam<const char*>, protected SkinFixture {};

TEST_P(ShippedSkinTest, LoadsAtItsDesignSizesWithADescriptor) {
  const QString name = QLatin1String(GetParam());
  chooseSkin(name);
  MainWindowPictures main;
  ASSERT_TRUE(ApplyMainWindowSkin(language, temp.folder(), main.image1, main.image2, main.skinfout,
                                  main.window.size()));
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_EQ(main.image1->pixmap().size(), QSize(669, 144));
  EXPECT_EQ(main.image2->pixmap().size(), QSize(676, 564));

  QLabel bar;
  LoadSkinPicture(&bar, SkinPrefix(temp.folder()) + "balk1.skn");
  EXPECT_EQ(bar.pixmap().size(), QSize(345, 33));

  for (const char* role : {"head.skn", "frame1.skn", "balk1.skn"})
    EXPECT_LT(QFileInfo(temp.file(name + "_" + role)).size(), 200 * 1024) << role;
  const QString descriptor = temp.file(name + ".logskn");
  for (const auto& [section, key] :
       {std::pair{"Skin", "naam"}, {"Skin", "SetupDatum"}, {"Auteur", "naam"}, {"Auteur", "website"}})
    EXPECT_FALSE(INI::ReadIni(descriptor, section, key).isEmpty()) << section << "/" << key;
}

INSTANTIATE_TEST_SUITE_P(Skins, ShippedSkinTest, ::testing::Values("Standaard", "Nacht", "Zomer"));

TEST(ShippedProfileTest, StartsWithStandaard) {
  SkinFixture shipped;
  EXPECT_EQ(shipped.skinSetting(), "Standaard");
}

}  // namespace
