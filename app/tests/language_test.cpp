#include <gtest/gtest.h>

#include "app/ini.h"
#include "app/language.h"
#include "app/trap.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

using Kind = RecordingPrompt::Kind;

class LanguageTest : public ::testing::Test {
 protected:
  TempProgramFolder dir;
  RecordingPrompt prompt;
  QString current = "english";
  Language lang{dir.folder(), prompt, [this] { return current; }};

  void SetUp() override {
    dir.write("lang.ini",
              "[Nederlands]\nerror0=Fout\nerror10=Lijst mislukt\n"
              "[english]\nerror0=Error\nerror10=List failed\nerror13=Select a favourite\n"
              "error18=Report it?\nerror2=Choose a country\nerror3=\" has been chosen.\"\n");
  }
};

TEST_F(LanguageTest, LooksUpTheCurrentLanguageAtEveryCall) {
  current = "ENGLISH";
  EXPECT_EQ(lang.LangText("error10"), "List failed");
  current = "nederlands";
  EXPECT_EQ(lang.LangText("ERROR10"), "Lijst mislukt");
  // No fallback to another language or a design text.
  EXPECT_EQ(lang.LangText("error13"), "");
  current = "";
  EXPECT_EQ(lang.LangText("error10"), "");
}

TEST_F(LanguageTest, MissingFileGivesEmptyTexts) {
  TempProgramFolder empty;
  Language none(empty.folder(), prompt, [] { return QString("english"); });
  EXPECT_EQ(none.LangText("error0"), "");
  none.ShowLangError("error10");
  ASSERT_EQ(prompt.boxes().size(), 1u);
  EXPECT_EQ(prompt.boxes()[0].caption, "");
  EXPECT_EQ(prompt.boxes()[0].text, "");
}

TEST_F(LanguageTest, TextsAreCutTo199Characters) {
  INI::WriteIni(dir.file("lang.ini"), "english", "label1", QString(250, 'a'));
  EXPECT_EQ(lang.LangText("label1"), QString(199, 'a'));
  INI::WriteIni(dir.file("lang.ini"), "english", "label2", QString(198, 'b') + "  c");
  EXPECT_EQ(lang.LangText("label2"), QString(198, 'b'));
}

TEST_F(LanguageTest, MessageBoxesHaveTheirCaptionsAndIcons) {
  lang.ShowLangError("error10");
  lang.ShowInfo("error3", "Holland");
  lang.ShowPlain("error13");
  prompt.answerNext(true);
  EXPECT_TRUE(lang.Ask("error18"));
  EXPECT_FALSE(lang.Ask("error18"));

  const auto& b = prompt.boxes();
  ASSERT_EQ(b.size(), 5u);
  EXPECT_EQ(b[0].kind, Kind::Critical);
  EXPECT_EQ(b[0].caption, "Error");
  EXPECT_EQ(b[0].text, "List failed");
  EXPECT_EQ(b[1].kind, Kind::Information);
  EXPECT_EQ(b[1].text, "Holland has been chosen.");
  EXPECT_EQ(b[2].kind, Kind::Plain);
  EXPECT_EQ(b[2].caption, "Vantor Internet Radio");
  EXPECT_EQ(b[3].kind, Kind::Question);
  EXPECT_EQ(b[3].caption, "Error");
}

// A box must say something when the language lacks the key or is not set at all.
TEST_F(LanguageTest, ABoxWithoutTextInTheLanguageTakesTheEnglishOne) {
  current = "Nederlands";
  lang.ShowPlain("error13");
  current = "";
  lang.ShowLangError("error10", "inst.ini is missing.");
  EXPECT_EQ(prompt.texts(), QStringList({"Select a favourite", "List failed\n\ninst.ini is missing."}));
  EXPECT_EQ(prompt.boxes()[1].caption, "Error");
}

TEST_F(LanguageTest, TrapSkipsTheRestAndShowsTheHandlersKey) {
  int steps = 0;
  const bool ok = trapped(lang, "error10", [&] {
    ++steps;
    toWholeNumber("");
    ++steps;
  });
  EXPECT_FALSE(ok);
  EXPECT_EQ(steps, 1);
  ASSERT_EQ(prompt.texts(), QStringList{"List failed"});
  EXPECT_TRUE(trapped(lang, "error10", [&] { ++steps; }));
  EXPECT_EQ(prompt.boxes().size(), 1u);
  EXPECT_FALSE(trappedQuietly([] { throw StepFailed("x"); }));
  EXPECT_EQ(prompt.boxes().size(), 1u);
}

TEST(WholeNumbers, ConvertLikeStoredNumbers) {
  EXPECT_EQ(toWholeNumber("42"), 42);
  EXPECT_EQ(toWholeNumber(" 7 "), 7);
  EXPECT_EQ(toWholeNumber("-3"), -3);
  EXPECT_EQ(toWholeNumber("2.5"), 2);
  EXPECT_EQ(toWholeNumber("3.5"), 4);
  for (const char* bad : {"", "abc", "4x", "1e400", "99999999999"})
    EXPECT_THROW(toWholeNumber(bad), StepFailed) << bad;
}

// Every key the program looks up must exist in both shipped languages.
TEST(ShippedLanguageFile, HasEveryKeyInBothSections) {
  const QStringList keys = {
      "label1",    "label2",    "label3",     "label4",     "label5",     "label6",   "label7",
      "label8",    "label9",    "label10",    "label11",    "label12",    "label13",  "label14",
      "command1",  "command2",  "command3",   "command3b",  "command3c",  "msntekst", "error14",
      "f2label1",  "f2label2",  "f2command1", "f2command2", "f2command3", "f2label3", "f2label4",
      "f3label1",  "f3label2",  "f3command3", "f3list1",    "f4label1",   "f4check1", "f4check2",
      "f4check3",  "f4check4",  "f5label1",   "f5label2",   "f5label7",   "f5label8", "f5label9",
      "f5label10", "f5label11", "f5label12",  "error0",     "error1",     "error2",   "error3",
      "error4",    "error5",    "error7",     "error8",     "error9",     "error10",  "error11",
      "error12",   "error13",   "error15",    "error16",    "error17",    "error18",  "error19"};
  const QString file = QStringLiteral(VANTOR_SOURCE_DIR "/data/lang.ini");
  for (const char* section : {"Nederlands", "english"}) {
    for (const QString& key : keys) {
      const QString text = INI::ReadIni(file, section, key);
      EXPECT_FALSE(text.isEmpty()) << section << "/" << key.toStdString();
      EXPECT_LE(text.size(), 199) << section << "/" << key.toStdString();
    }
    EXPECT_TRUE(INI::ReadIni(file, section, "error3").startsWith(u' ')) << section;
  }
}

}  // namespace
