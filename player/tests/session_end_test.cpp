// The main window against what ends a session or comes from outside: signals, and names that
// look like markup.
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

#include "app/endsignals.h"
#include "app/ini.h"
#include "form1_fixture.h"
#include "player/Form1.h"

namespace {

class SessionEndTest : public MainWindowTest {
 protected:
  QString remembered(const char* key) { return INI::ReadIni(dir.folder().instIni(), "Onthouden", key); }
  void chooseSecondStation() {
    auto* list = form->findChild<QListWidget*>("List1");
    list->clear();
    list->addItems({"Een", "Twee"});
    form->findChild<QListWidget*>("List2")->addItems({"http://s/1", "http://s/2"});
    form->findChild<QListWidget*>("List3")->addItems({"een.example/", "twee.example/"});
    list->setCurrentRow(1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
  }
};

TEST_F(SessionEndTest, EachEndSignalSavesTheStationAndEndsTheProgram) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    dir.profile({"Online Radio/grootscherm=1", "Online Radio/xsluiten=0", "Onthouden/Volume=40",
                 "Onthouden/LaatsteNAAM=Oud"});
    start();
    EndSignals endSignals;
    ASSERT_TRUE(endSignals.isActive());
    QObject::connect(&endSignals, &EndSignals::received, form.get(), &Form1::endSession);
    QSignalSpy ended(form.get(), &Form1::endRequested);
    chooseSecondStation();
    ASSERT_EQ(player.URL(), "http://s/2");
    ::raise(signal);
    ASSERT_TRUE(ended.wait(5000));
    EXPECT_EQ(remembered("LaatsteNAAM"), "Twee");
    EXPECT_EQ(remembered("LaatsteURL"), "http://s/2");
    EXPECT_FALSE(tray->visible);
  }
}

TEST_F(SessionEndTest, EveryLabelOfTheMainWindowIsPlainText) {
  start();
  QStringList rich;
  for (QLabel* label : form->findChildren<QLabel*>())
    if (label->textFormat() != Qt::PlainText) rich << label->objectName();
  EXPECT_EQ(rich, QStringList());
}

}  // namespace
