// Names from a hostile directory are shown as text, never as rich text that Qt would act on.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/prompt.h"
#include "dialog_fixture.h"
#include "directory/Form2.h"
#include "directory/Form3.h"
#include "settings/Form4.h"
#include "skins/Form5.h"

namespace {

// Rendered as rich text this reads /dev/zero until memory runs out.
const std::string kHostileName = "<img src=/dev/zero>";

QStringList richLabels(QWidget& root) {
  QStringList out;
  for (QLabel* label : root.findChildren<QLabel*>())
    if (label->textFormat() != Qt::PlainText) out << label->objectName();
  return out;
}

class PlainTextTest : public DirectoryDialogTest {
 protected:
  std::vector<QString> chosenNames;
  void SetUp() override {
    const std::string list = "<naam>" + kHostileName + "</naam><bestand>x.txt</bestand>";
    http.server().Get("/radio/inter/keuze.php", [list](const httplib::Request&, httplib::Response& res) {
      res.set_content(list, "text/plain");
    });
    serve();
    INI::WriteIni(folder.instIni(), "Onthouden", "laadland", "0");
  }
  DirectoryDialogHost host() {
    return {language, folder,
            inet,     downloadInfo,
            address,  [this](const QString& name, const QString&) { chosenNames.push_back(name); },
            {}};
  }
};

TEST_F(PlainTextTest, EveryLabelOfBothDialogsIsPlainText) {
  Form2 countries(host());
  Form3 search(host());
  EXPECT_EQ(richLabels(countries), QStringList());
  EXPECT_EQ(richLabels(search), QStringList());
}

TEST_F(PlainTextTest, HostileCountryNameReachesTheMessageAsText) {
  Form2 countries(host());
  ASSERT_EQ(items(child<QListWidget>(countries, "List1")), QStringList{QString::fromStdString(kHostileName)});
  child<QPushButton>(countries, "Command1")->click();
  ASSERT_EQ(chosenNames.size(), 1u);
  EXPECT_EQ(chosenNames[0], QString::fromStdString(kHostileName));
  ASSERT_FALSE(prompt.boxes().empty());
  EXPECT_TRUE(prompt.boxes().back().text.startsWith(QString::fromStdString(kHostileName)));
}

// The settings dialog and the skin chooser show texts of the language file and of skin
// descriptors, which a user or a downloaded skin may have written.
class SettingsWindowsPlainTextTest : public ::testing::Test {
 protected:
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  ProgramFolder folder = dir.folder();
  RecordingPrompt prompt;
  Language language{folder, prompt, [] { return QStringLiteral("english"); }};
  struct NoAutostart final : Autostart {
    void SetRunValue(const QString&, const QString&) override {}
  } autostart;

  void SetUp() override {
    QByteArray lang = "[english]\n";
    for (const char* key :
         {"f4label1", "f4check1", "f4check2", "f4check3", "f4check4", "f5label1", "f5label2", "f5label7",
          "f5label8", "f5label9", "f5label10", "f5label11", "f5label12"})
      lang += QByteArray(key) + '=' + kHostileName.c_str() + '\n';
    dir.write("lang.ini", lang);
    dir.write("Boos.logskn", QByteArray("[Auteur]\nnaam=") + kHostileName.c_str() + "\nwebsite=" +
                                 kHostileName.c_str() + "\n[Skin]\nnaam=" + kHostileName.c_str() + "\n");
  }
};

TEST_F(SettingsWindowsPlainTextTest, EveryLabelOfSettingsAndSkinChooserIsPlainText) {
  const QString hostile = QString::fromStdString(kHostileName);
  Form4 settings(SettingsHost{language, folder, autostart, "/bin/true", {}, {}});
  EXPECT_EQ(richLabels(settings), QStringList());
  EXPECT_EQ(child<QLabel>(settings, "Label1")->text(), hostile);

  Form5 skins(SkinChooserHost{language, folder, {}});
  EXPECT_EQ(richLabels(skins), QStringList());
  auto* list = child<QListWidget>(skins, "List1");
  const QList<QListWidgetItem*> found = list->findItems("Boos", Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1);
  found.front()->setSelected(true);
  EXPECT_EQ(child<QLabel>(skins, "Label3")->text(), hostile);
  EXPECT_EQ(child<QLabel>(skins, "Label5")->text(), hostile);
  EXPECT_EQ(richLabels(skins), QStringList());
}

TEST(QtPromptTest, BoxesShowTheirTextPlain) {
  QtPrompt prompt;
  const QString hostile = QString::fromStdString(kHostileName);
  std::vector<Qt::TextFormat> formats;
  std::vector<QString> shown;
  // The box is modal: look at it from inside its own loop, then close it.
  const auto inspectAndClose = [&] {
    QTimer::singleShot(50, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      formats.push_back(box->textFormat());
      shown.push_back(box->text());
      box->done(QMessageBox::No);
    });
  };
  inspectAndClose();
  prompt.message(Prompt::Icon::Information, QStringLiteral("t"), hostile);
  inspectAndClose();
  prompt.question(QStringLiteral("t"), hostile);
  ASSERT_EQ(formats.size(), 2u);
  EXPECT_EQ(formats[0], Qt::PlainText);
  EXPECT_EQ(formats[1], Qt::PlainText);
  EXPECT_EQ(shown[0], hostile);
}

}  // namespace
