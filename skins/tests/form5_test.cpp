#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "Form5.h"
#include "app/ini.h"
#include "skin.h"
#include "skin_test_support.h"

namespace {

class Form5Test : public ::testing::Test, protected SkinFixture {
 protected:
  ProgramFolder folder = temp.folder();
  int timerStarts = 0;
  std::unique_ptr<Form5> form;

  void open() {
    form = std::make_unique<Form5>(SkinChooserHost{language, folder, [this] { ++timerStarts; }});
  }
  QListWidget* list() { return form->findChild<QListWidget*>("List1"); }
  QStringList rows() {
    QStringList out;
    for (int i = 0; i < list()->count(); ++i) out << list()->item(i)->text();
    return out;
  }
  QStringList values() {
    QStringList out;
    for (const char* name : {"Label3", "Label4", "Label5", "Label6"})
      out << form->findChild<QLabel*>(name)->text();
    return out;
  }
  void clickRow(int row) {
    const QRect r = list()->visualItemRect(list()->item(row));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, r.center());
  }
};

TEST_F(Form5Test, ListsTheInstalledSkinsInNameOrderWithNothingChosen) {
  temp.write("notes.txt", "not a skin");
  temp.write("Aap.LOGSKN", "[Skin]\nnaam=Aap\n");
  temp.write("favo/Oud.logskn", "");
  open();
  EXPECT_EQ(rows(), (QStringList{"Aap", "Nacht", "Standaard", "Zomer"}));
  EXPECT_TRUE(list()->selectedItems().isEmpty());
  EXPECT_EQ(values(), (QStringList{"-", "-", "-", "-"}));
  EXPECT_EQ(form->findChild<QLabel*>("Label2")->text(), "Installed skins:");
  EXPECT_EQ(form->findChild<QLabel*>("Label11")->text(), "Author information:");
  EXPECT_EQ(form->findChild<QPushButton*>("Command1")->text(), "OK");
  EXPECT_EQ(form->findChild<QLabel*>("Image1")->size(), form->size());
  EXPECT_EQ(form->findChild<QLabel*>("Image2")->width(), form->width());
  // Opening chooses nothing, not even when the list takes the focus.
  form->show();
  list()->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(timerStarts, 0);
  EXPECT_EQ(skinSetting(), "Standaard");
}

TEST_F(Form5Test, AClickStoresTheFileNameAndShowsTheDescriptor) {
  temp.write("Herfst.logskn",
             "[Auteur]\nnaam=An de Vries\nwebsite=<b>herfst.example</b>\n[Skin]\nnaam=Herfstbladeren\n");
  open();
  form->show();
  clickRow(0);  // Herfst
  EXPECT_EQ(skinSetting(), "Herfst");
  EXPECT_EQ(timerStarts, 1);
  // A missing date shows empty; the website is text, not markup.
  EXPECT_EQ(values(), (QStringList{"An de Vries", "<b>herfst.example</b>", "Herfstbladeren", ""}));
  EXPECT_EQ(form->findChild<QLabel*>("Label4")->textFormat(), Qt::PlainText);

  clickRow(3);  // Zomer
  EXPECT_EQ(skinSetting(), "Zomer");
  EXPECT_EQ(values()[2], "Zomeravond");
  EXPECT_EQ(timerStarts, 2);
  QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(skinSetting(), "Zomer");
}

// The main window may set the skin back while the chooser is open: clicking the chosen row again
// chooses it again. A click that moves the selection acts once.
TEST_F(Form5Test, EveryClickChoosesAlsoOnTheRowAlreadyChosen) {
  open();
  form->show();
  clickRow(0);  // Nacht
  ASSERT_EQ(timerStarts, 1);
  chooseSkin("Standaard");
  clickRow(0);
  EXPECT_EQ(skinSetting(), "Nacht");
  EXPECT_EQ(timerStarts, 2);
  list()->setFocus();
  QTest::keyClick(list(), Qt::Key_Down);  // keys choose as they move
  EXPECT_EQ(skinSetting(), "Standaard");
  EXPECT_EQ(timerStarts, 3);
}

TEST_F(Form5Test, AUsersOwnSkinsAreListedBesideTheInstalledOnes) {
  QTemporaryDir user;
  folder = ProgramFolder(temp.path(), user.path());
  INI::WriteIni(folder.instIni(), "Online Radio", "skin", "Standaard");
  const auto put = [&](const QString& name, const QByteArray& bytes) {
    QFile f(user.path() + "/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };
  put("Eigen.logskn", "[Skin]\nnaam=Mijn eigen\n");
  put("nacht.logskn", "[Skin]\nnaam=Mijn nacht\n");  // the installed Nacht, in another case
  open();
  EXPECT_EQ(rows(), (QStringList{"Nacht", "Standaard", "Zomer", "Eigen"}));
  form->show();
  clickRow(3);
  EXPECT_EQ(values()[2], "Mijn eigen");
  EXPECT_EQ(INI::ReadIni(user.path() + "/inst.ini", "Online Radio", "skin"), "Eigen");
  clickRow(0);
  EXPECT_EQ(values()[2], "Mijn nacht") << "a user's skin wins over an installed one of the same name";
}

TEST_F(Form5Test, ADescriptorNamedOnlyLogsknIsTheSkinWithTheEmptyName) {
  temp.write(".logskn", "[Skin]\nnaam=Naamloos\n");
  open();
  ASSERT_EQ(rows().value(0, "?"), "");
  form->show();
  clickRow(0);
  EXPECT_TRUE(INI::ReadIni(folder.instIni(), "Online Radio", "skin").isEmpty());
  EXPECT_EQ(values()[2], "Naamloos");
  // The main window then looks for pictures named _head.skn and so on.
  EXPECT_EQ(SkinPrefix(folder), folder.path() + "/_");
}

}  // namespace
