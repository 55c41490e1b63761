#include <QFile>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/ini.h"
#include "temp_program_folder.h"

using INI::ReadIni;
using INI::WriteIni;

namespace {

class IniTest : public ::testing::Test {
 protected:
  TempProgramFolder dir;
  QString file = dir.file("inst.ini");
};

TEST_F(IniTest, NamesMatchInAnyLetterCase) {
  WriteIni(file, "Onthouden", "LaatsteLandbestand", "holland.txt");
  EXPECT_EQ(ReadIni(file, "onthouden", "LaatsteLandBestand"), "holland.txt");
  EXPECT_EQ(ReadIni(file, "ONTHOUDEN", "laatstelandbestand"), "holland.txt");
  // A write in another case replaces the same entry instead of adding a second one.
  WriteIni(file, "ONTHOUDEN", "LAATSTELANDBESTAND", "belgie.txt");
  EXPECT_EQ(ReadIni(file, "Onthouden", "LaatsteLandbestand"), "belgie.txt");
  EXPECT_EQ(dir.read("inst.ini").count("belgie.txt"), 1);
  EXPECT_EQ(dir.read("inst.ini").count("holland.txt"), 0);
}

TEST_F(IniTest, ReadingMissingThingsGivesEmptyAndCreatesNothing) {
  EXPECT_EQ(ReadIni(file, "Onthouden", "Volume"), "");
  EXPECT_FALSE(QFileInfo::exists(file));
  dir.write("inst.ini", "[Online Radio]\ntaal=english\n");
  EXPECT_EQ(ReadIni(file, "Onthouden", "taal"), "");
  EXPECT_EQ(ReadIni(file, "Online Radio", "skin"), "");
  EXPECT_EQ(ReadIni(dir.file("nofolder/inst.ini"), "a", "b"), "");
  EXPECT_FALSE(QFileInfo::exists(dir.file("nofolder")));
}

TEST_F(IniTest, FirstWriteCreatesFileSectionAndKey) {
  WriteIni(file, "Onthouden", "Volume", "42");
  EXPECT_EQ(dir.read("inst.ini"), "[Onthouden]\nVolume=42\n");
}

TEST_F(IniTest, ReplaceInPlaceKeepsOtherKeysCommentsAndOrder) {
  dir.write("inst.ini",
            "; my settings\r\n[Online Radio]\r\ntaal=english\r\n# keep me\r\nskin=Standaard\r\n\r\n"
            "[Onthouden]\r\nVolume=10\r\n");
  WriteIni(file, "online radio", "TAAL", "Nederlands");
  WriteIni(file, "Online Radio", "xsluiten", "1");
  WriteIni(file, "Windows", "laden", "0");
  EXPECT_EQ(dir.read("inst.ini"),
            "; my settings\r\n[Online Radio]\r\ntaal=Nederlands\r\n# keep "
            "me\r\nskin=Standaard\r\nxsluiten=1\r\n\r\n"
            "[Onthouden]\r\nVolume=10\r\n\r\n[Windows]\r\nladen=0\r\n");
}

TEST_F(IniTest, ValuesComeBackWholeWithoutTrailingBlanks) {
  const QString longUrl = "http://example.invalid/stream?" + QString(250, 'x');
  WriteIni(file, "Onthouden", "LaatsteURL", longUrl);
  EXPECT_EQ(ReadIni(file, "Onthouden", "LaatsteURL"), longUrl);

  dir.write("inst.ini", "[S]\nname=  Radio One   \t\nquoted=\" leading kept\"\n");
  EXPECT_EQ(ReadIni(file, "S", "name"), "Radio One");
  EXPECT_EQ(ReadIni(file, "S", "quoted"), " leading kept");
  // A leading blank written by the program survives the round trip.
  WriteIni(file, "S", "joined", " is chosen.");
  EXPECT_EQ(ReadIni(file, "S", "joined"), " is chosen.");
  WriteIni(file, "S", "trailing", "text   ");
  EXPECT_EQ(ReadIni(file, "S", "trailing"), "text");
}

TEST_F(IniTest, LineBreaksInValuesCannotAddKeys) {
  WriteIni(file, "Onthouden", "LaatsteNAAM", "Radio\r\nVolume=100\n[Evil]");
  EXPECT_EQ(ReadIni(file, "Onthouden", "LaatsteNAAM"), "Radio  Volume=100 [Evil]");
  EXPECT_EQ(ReadIni(file, "Onthouden", "Volume"), "");
  EXPECT_EQ(dir.read("inst.ini").count('\n'), 2);
}

TEST_F(IniTest, DuplicateKeysAndSectionsFirstOneWins) {
  dir.write("inst.ini", "[A]\nk=first\nk=second\n[B]\nk=b\n[a]\nk=third\n");
  EXPECT_EQ(ReadIni(file, "A", "k"), "first");
  WriteIni(file, "A", "k", "new");
  EXPECT_EQ(ReadIni(file, "A", "k"), "new");
  EXPECT_TRUE(dir.read("inst.ini").contains("k=second"));
  EXPECT_TRUE(dir.read("inst.ini").contains("k=third"));
}

TEST_F(IniTest, EncodingsUtf8AndWindows1252) {
  WriteIni(file, "S", "naam", "Radio Noord — Café");
  EXPECT_EQ(ReadIni(file, "S", "naam"), "Radio Noord — Café");
  EXPECT_TRUE(dir.read("inst.ini").contains("Caf\xc3\xa9"));

  // A file written by the Windows program: bytes of Windows-1252.
  dir.write("old.ini",
            "[S]\nnaam=Caf\xe9 \x80 \x96 R\xf6"
            "ck\n");
  EXPECT_EQ(ReadIni(dir.file("old.ini"), "S", "naam"), QString::fromUtf8("Café € – Röck"));
  // Rewriting it keeps the text and stores it as UTF-8.
  WriteIni(dir.file("old.ini"), "S", "x", "1");
  EXPECT_EQ(ReadIni(dir.file("old.ini"), "S", "naam"), QString::fromUtf8("Café € – Röck"));
  EXPECT_TRUE(dir.read("old.ini").contains("Caf\xc3\xa9"));

  dir.write("bom.ini",
            "\xef\xbb\xbf"
            "[S]\nk=v\n");
  EXPECT_EQ(ReadIni(dir.file("bom.ini"), "S", "k"), "v");
}

TEST_F(IniTest, FailedWritesLeaveTheOldFileAndPassSilently) {
  dir.write("inst.ini", "[S]\nk=old\n");
  ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0444), 0);
  WriteIni(file, "S", "k", "new");
  EXPECT_EQ(dir.read("inst.ini"), "[S]\nk=old\n");
  ::chmod(QFile::encodeName(file).constData(), 0644);

  WriteIni(dir.file("missing/inst.ini"), "S", "k", "v");
  EXPECT_FALSE(QFileInfo::exists(dir.file("missing")));
}

TEST_F(IniTest, KilledWriterNeverLeavesATornFile) {
  // Each round writes a file of many keys that all hold the round's number; a reader must see
  // all keys of one round, whatever moment the writer was killed.
  const int keys = 200;
  for (int round = 0; round < 40; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int r = 0;; ++r)
        for (int k = 0; k < keys; ++k) WriteIni(file, "S", QString("key%1").arg(k), QString::number(r));
    }
    ::usleep(useconds_t(2000 + round * 700));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);

    const QByteArray bytes = dir.read("inst.ini");
    if (bytes.isEmpty()) continue;  // killed before the first rename
    ASSERT_TRUE(bytes.startsWith("[S]\n")) << bytes.left(80).constData();
    ASSERT_TRUE(bytes.endsWith("\n"));
    const QList<QByteArray> lines = bytes.trimmed().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i)
      ASSERT_TRUE(lines[i].startsWith("key")) << lines[i].constData();
  }
  // Leftover temporaries of killed writers are cleared by the next write.
  WriteIni(file, "S", "done", "1");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"inst.ini"});
}

// The five remembered keys go out together: a kill between two of them must not leave a mix.
TEST_F(IniTest, SeveralKeysAreReplacedTogether) {
  dir.write("inst.ini", "; mine\n[Other]\nx=1\n[S]\nb=old\n");
  INI::WriteIniKeys(file, "s", {{"a", "1"}, {"B", "2"}, {"c", "3"}});
  EXPECT_EQ(dir.read("inst.ini"), "; mine\n[Other]\nx=1\n[S]\nb=2\na=1\nc=3\n");

  for (int round = 0; round < 20; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int r = 0;; ++r) {
        QList<std::pair<QString, QString>> entries;
        for (int k = 0; k < 5; ++k) entries.append({QString("key%1").arg(k), QString::number(r)});
        INI::WriteIniKeys(file, "S", entries);
      }
    }
    ::usleep(useconds_t(1000 + round * 500));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    const QString first = ReadIni(file, "S", "key0");
    for (int k = 1; k < 5; ++k)
      ASSERT_EQ(ReadIni(file, "S", QString("key%1").arg(k)), first) << "round " << round;
  }
}

}  // namespace
