#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/ini.h"
#include "app/programfolder.h"

namespace {

void put(const QString& file, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
}

QByteArray get(const QString& file) {
  QFile f(file);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const ProgramFolder::WritableCheck kReadOnly = [](const QString&) { return false; };
const ProgramFolder::WritableCheck kWritable = [](const QString&) { return true; };

// A program folder with its shipped files, and an empty data home for the user.
class ProgramFolderTest : public ::testing::Test {
 protected:
  QTemporaryDir root;
  QString exe = root.path() + "/opt/radio";
  QString home = root.path() + "/home/.local/share";
  QString user = home + "/vantor-radio";

  void SetUp() override {
    put(exe + "/lang.ini", "[english]\nerror0=Error\n");
    put(exe + "/inst.ini", "[Online Radio]\nskin=Standaard\n[Onthouden]\nVolume=50\n");
    put(exe + "/Standaard_head.skn", "picture");
  }
};

TEST_F(ProgramFolderTest, WritableFolderKeepsEverythingBesideTheExecutable) {
  const ProgramFolder folder = ProgramFolder::choose(exe, home, kWritable);
  EXPECT_FALSE(folder.isPerUser());
  EXPECT_EQ(folder.instIni(), exe + "/inst.ini");
  EXPECT_EQ(folder.langIni(), exe + "/lang.ini");
  EXPECT_EQ(folder.favourites(), exe + "/favo/");
  EXPECT_EQ(folder.skinFolders(), QStringList{exe});
  EXPECT_FALSE(QFileInfo::exists(user)) << "nothing is laid out for the user";
}

TEST_F(ProgramFolderTest, ReadOnlyFolderSeedsThePerUserFolderOnceAndNeverOverwritesIt) {
  const ProgramFolder first = ProgramFolder::choose(exe, home, kReadOnly);
  ASSERT_TRUE(first.isPerUser());
  EXPECT_EQ(first.instIni(), user + "/inst.ini");
  EXPECT_EQ(get(first.instIni()), get(exe + "/inst.ini"));
  EXPECT_TRUE(QFileInfo(user + "/favo").isDir());
  EXPECT_TRUE(QDir(user + "/favo").isEmpty());
  EXPECT_EQ(first.langIni(), exe + "/lang.ini") << "language texts stay in the shipped folder";
  EXPECT_EQ(first.path(), exe);
  EXPECT_TRUE(QFileInfo(first.instIni()).isWritable());

  // The user's changes and favourites survive later starts, and a changed default does not
  // replace them.
  INI::WriteIni(first.instIni(), "Onthouden", "Volume", "17");
  put(user + "/favo/Radio Een", "[Internet]\nnaam=Radio Een\n");
  put(exe + "/inst.ini", "[Onthouden]\nVolume=99\n");
  const ProgramFolder later = ProgramFolder::choose(exe, home, kReadOnly);
  EXPECT_EQ(INI::ReadIni(later.instIni(), "Onthouden", "Volume"), "17");
  EXPECT_TRUE(QFileInfo::exists(user + "/favo/Radio Een"));
  EXPECT_EQ(INI::ReadIni(exe + "/inst.ini", "Onthouden", "Volume"), "99");
}

TEST_F(ProgramFolderTest, UserProfileInAnotherLetterCaseIsTheUsers) {
  put(user + "/INST.INI", "[Onthouden]\nVolume=5\n");
  const ProgramFolder folder = ProgramFolder::choose(exe, home, kReadOnly);
  EXPECT_EQ(folder.instIni(), user + "/INST.INI");
  EXPECT_EQ(QDir(user).entryList(QDir::Files), QStringList{"INST.INI"});
}

TEST_F(ProgramFolderTest, InstalledLayoutUsesTheUserFolderEvenWhenItsFilesCouldBeWritten) {
  // bin/ holds only the executable; the shipped files are in share/vantor-radio.
  const QString bin = root.path() + "/usr/bin";
  const QString share = root.path() + "/usr/share/vantor-radio";
  QDir().mkpath(bin);
  put(share + "/lang.ini", "[english]\n");
  put(share + "/inst.ini", "[Onthouden]\nVolume=50\n");
  const ProgramFolder folder = ProgramFolder::choose(bin, home, kWritable);
  EXPECT_EQ(folder.path(), share);
  EXPECT_EQ(folder.userPath(), user);
  EXPECT_EQ(INI::ReadIni(folder.instIni(), "Onthouden", "Volume"), "50");
}

TEST_F(ProgramFolderTest, SkinsComeFromBothPlacesAndAUsersOwnSkinWins) {
  const ProgramFolder folder = ProgramFolder::choose(exe, home, kReadOnly);
  EXPECT_EQ(folder.skinFolders(), QStringList({exe, user}));
  EXPECT_EQ(folder.skinFolder("Standaard"), exe);
  EXPECT_EQ(folder.skinFolder("Eigen"), exe) << "an unknown skin is looked for where skins ship";
  put(user + "/eigen.LOGSKN", "descriptor");
  EXPECT_EQ(folder.skinFolder("Eigen"), user);
  put(user + "/Standaard_head.skn", "my own picture");
  EXPECT_EQ(folder.skinFolder("Standaard"), user);
}

TEST_F(ProgramFolderTest, MissingDefaultsLeaveNoEmptyProfileBehind) {
  QFile::remove(exe + "/inst.ini");
  const ProgramFolder folder = ProgramFolder::choose(exe, home, kReadOnly);
  EXPECT_FALSE(QFileInfo::exists(folder.instIni())) << "the start-up reports the missing profile";
  EXPECT_TRUE(QFileInfo(user + "/favo").isDir());
}

}  // namespace
