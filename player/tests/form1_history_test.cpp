#include <QApplication>
#include <QDialog>

#include <memory>

#include "form1_fixture.h"
#include "modal_probe.h"
#include "history/songlog.h"

namespace {

using Form1HistoryTest = MainWindowTest;

TEST_F(Form1HistoryTest, HistoryFromTheLabelAndTheTrayRecordRefusedWithNothingPlaying) {
  start();
  auto* history = form->findChild<QLabel*>("Label17");
  auto* record = form->findChild<QLabel*>("Label18");
  ASSERT_TRUE(history && record);
  // Both fit in the window below the web-site label.
  const QRect site = form->findChild<QLabel*>("Label3")->geometry();
  for (QLabel* l : {history, record}) {
    EXPECT_GE(l->y(), site.bottom());
    EXPECT_TRUE(form->rect().contains(l->geometry()));
  }
  EXPECT_EQ(modalOpenedBy([&] { QTest::mouseClick(history, Qt::LeftButton); }), "Form6");
  EXPECT_EQ(modalOpenedBy([&] { form->IconTray().findChild<QAction*>("historie")->trigger(); }), "Form6");

  form->show();
  QApplication::setActiveWindow(form.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  prompt.clear();  // the station list cannot load here
  QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(prompt.texts(), QStringList{form->language().LangText("rec5")});
  form->IconTray().findChild<QAction*>("opnemen")->trigger();
  EXPECT_FALSE(form->IconTray().findChild<QAction*>("opnemen")->isChecked());
  EXPECT_EQ(prompt.texts().size(), 2);

  listening.play(Station{"Polder FM", "http://s/1", {}});
  const auto now = std::make_shared<qint64>(0);
  form->songLog().setClock([now] { return *now; });
  player.announceTitle("Artist - Song");
  *now += SongLog::kSongMs;
  player.announceTitle("");  // it played long enough to count, and is written within seconds
  const QString file = SongHistory::fileIn(dir.path());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !SongHistory(file).songs().isEmpty(); }, 20000));
  const SongHistory saved(file);
  ASSERT_EQ(saved.songs().size(), 1);
  EXPECT_EQ(saved.songs()[0].station, "Polder FM");
  EXPECT_EQ(saved.songs()[0].url, "http://s/1");
}

}  // namespace
