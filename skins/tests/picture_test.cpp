#include <QLabel>

#include <gtest/gtest.h>

#include "app/trap.h"
#include "skin.h"
#include "skin_test_support.h"

namespace {

// 5 x 3 pixels of #20a040.
const unsigned char kGreenGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x05, 0x00, 0x03, 0x00, 0xf0,
                                   0x00, 0x00, 0x20, 0xa0, 0x40, 0x00, 0x00, 0x00, 0x21, 0xf9, 0x04,
                                   0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00, 0x00, 0x00, 0x05,
                                   0x00, 0x03, 0x00, 0x00, 0x02, 0x03, 0x84, 0x8f, 0x59, 0x00, 0x3b};

class LoadSkinPictureTest : public ::testing::Test {
 protected:
  TempProgramFolder temp;
  QLabel label;
  void SetUp() override { label.setPixmap(QPixmap::fromImage(QImage(8, 8, QImage::Format_RGB32))); }
};

TEST_F(LoadSkinPictureTest, FormatComesFromTheContentNotTheName) {
  struct Case {
    const char* format;
    QColor colour;
  };
  for (const Case& c : {Case{"PNG", QColor(200, 10, 10)}, Case{"JPG", QColor(10, 10, 200)},
                        Case{"BMP", QColor(10, 200, 10)}}) {
    SCOPED_TRACE(c.format);
    temp.write("x_head.skn", PictureBytes({30, 20}, c.colour, c.format));
    LoadSkinPicture(&label, temp.file("x_head.skn"));
    EXPECT_EQ(label.pixmap().size(), QSize(30, 20));
    EXPECT_TRUE(Near(CentreColour(label), c.colour)) << CentreColour(label).name().toStdString();
  }
  temp.write("x_frame1.skn", QByteArray(reinterpret_cast<const char*>(kGreenGif), sizeof kGreenGif));
  LoadSkinPicture(&label, temp.file("x_frame1.skn"));
  EXPECT_EQ(label.pixmap().size(), QSize(5, 3));
  EXPECT_EQ(CentreColour(label), QColor(0x20, 0xa0, 0x40));
  // A name that claims another format does not matter either.
  temp.write("misnamed.gif", PictureBytes({7, 7}, Qt::yellow, "BMP"));
  LoadSkinPicture(&label, temp.file("misnamed.gif"));
  EXPECT_EQ(label.pixmap().size(), QSize(7, 7));
}

TEST_F(LoadSkinPictureTest, FindsTheFileInAnyLetterCase) {
  temp.write("Standaard_Head.SKN", PictureBytes({12, 4}, Qt::red));
  LoadSkinPicture(&label, temp.file("standaard_head.skn"));
  EXPECT_EQ(label.pixmap().size(), QSize(12, 4));
}

TEST_F(LoadSkinPictureTest, BadFilesFailAndKeepTheOldPicture) {
  const QByteArray png = PictureBytes({40, 40}, Qt::blue);
  temp.write("text.skn", "[Skin]\nnaam=not a picture\n");
  temp.write("truncated.skn", png.left(png.size() / 2));
  temp.write("empty.skn", QByteArray());
  // XPM is a format Qt reads, but it is not one skins are made of.
  temp.write("xpm.skn", "/* XPM */\nstatic const char *x[] = {\"1 1 1 1\", \"a c #ff0000\", \"a\"};\n");
  // Claims to be 30000 x 30000: refused, not allocated.
  QByteArray huge = PictureBytes({2, 2}, Qt::red, "BMP");
  const qint32 side = 30000;
  memcpy(huge.data() + 18, &side, 4);
  memcpy(huge.data() + 22, &side, 4);
  temp.write("huge.skn", huge);
  temp.write("folder.skn/inside", "x");
  const qint64 before = label.pixmap().cacheKey();
  for (const char* name :
       {"missing.skn", "text.skn", "truncated.skn", "empty.skn", "xpm.skn", "huge.skn", "folder.skn"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(LoadSkinPicture(&label, temp.file(QLatin1String(name))), StepFailed);
    EXPECT_EQ(label.pixmap().cacheKey(), before);
  }
}

TEST(SkinPrefixTest, FolderSkinNameAndUnderscore) {
  TempProgramFolder temp;
  // Without a profile the windows wear the fallback skin; a profile's own skin may be empty.
  EXPECT_EQ(SkinPrefix(temp.folder()), temp.path() + "/Standaard_");
  temp.profile({"Online Radio/taal=english"});
  EXPECT_EQ(SkinPrefix(temp.folder()), temp.path() + "/_");
  temp.profile({"online radio/SKIN=Nacht"});
  EXPECT_EQ(SkinPrefix(temp.folder()), temp.path() + "/Nacht_");
}

}  // namespace
