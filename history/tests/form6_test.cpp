#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "fake_media_player.h"
#include "playback/listening.h"
#include "history/Form6.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

namespace {

class Form6Test : public ::testing::Test {
 protected:
  Form6Test() {
    dir.write("lang.ini", "[english]\nf6command1=Like\nf6question1=Clear all?\n");
    log.setClock([this] { return now; });
    for (const char* title : {"Old", "Middle", "New"}) {
      player.url = QStringLiteral("http://s/") + QLatin1String(title);
      announce(QLatin1String(title));
    }
    form = std::make_unique<Form6>(host);
  }

  // The title before this one has lasted long enough to be a song.
  void announce(const QString& title) {
    Q_EMIT player.streamTitleChanged(title);
    now += SongLog::kSongMs;
    Q_EMIT player.streamTitleChanged(QString());
  }

  template <typename T>
  T* control(const char* name) {
    return form->findChild<T*>(QLatin1String(name));
  }
  QStringList shown() {
    QStringList out;
    auto* list = control<QTreeWidget>("ListView1");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      out << list->topLevelItem(i)->text(0) + list->topLevelItem(i)->text(3);
    return out;
  }
  void select(int row) {
    auto* list = control<QTreeWidget>("ListView1");
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(row));
  }

  TempProgramFolder dir;
  RecordingPrompt prompt;
  Language language{dir.folder(), prompt, [] { return QStringLiteral("english"); }};
  FakeMediaPlayer player;
  qint64 now = 0;
  Listening listening{player};
  bool named = (listening.play(Station{"Polder FM", {}, {}}), true);
  SongLog log{listening, dir.path()};
  std::vector<Song> played;
  QString csv = dir.file("out/songs.csv");
  Form6Host host{language, log, [this](const Song& s) { played.push_back(s); }, [this] { return csv; }};
  std::unique_ptr<Form6> form;
};

TEST_F(Form6Test, NewestFirstLikeFilterAndPlay) {
  EXPECT_EQ(shown(), QStringList({"New", "Middle", "Old"}));
  EXPECT_EQ(control<QPushButton>("Command1")->text(), "Like");
  select(1);
  control<QPushButton>("Command1")->click();
  EXPECT_TRUE(log.history().songs()[1].liked);
  EXPECT_EQ(shown(), QStringList({"New", "\u2665Middle", "Old"}));
  control<QCheckBox>("Check1")->click();
  EXPECT_EQ(shown(), QStringList({"\u2665Middle"}));
  // A song that arrives while the window is open shows at once, under the filter too.
  announce(QStringLiteral("Newer"));
  EXPECT_EQ(shown(), QStringList({"\u2665Middle"}));
  auto* list = control<QTreeWidget>("ListView1");
  Q_EMIT list->itemDoubleClicked(list->topLevelItem(0), 0);
  ASSERT_EQ(played.size(), 1u);
  EXPECT_EQ(played[0].url, "http://s/Middle");
}

TEST_F(Form6Test, CopyExportAndClear) {
  auto* list = control<QTreeWidget>("ListView1");
  list->topLevelItem(0)->setSelected(true);
  list->topLevelItem(2)->setSelected(true);
  control<QPushButton>("Command2")->click();
  const QStringList copied = QGuiApplication::clipboard()->text().split(u'\n');
  ASSERT_EQ(copied.size(), 3);
  EXPECT_TRUE(copied[0].endsWith("\tPolder FM\tNew")) << copied[0].toStdString();
  EXPECT_TRUE(copied[1].endsWith("\tPolder FM\tOld"));

  QDir().mkpath(dir.file("out"));
  control<QPushButton>("Command3")->click();
  QFile f(csv);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().count("\r\n"), 4);
  csv = dir.file("missing/folder/songs.csv");
  control<QPushButton>("Command3")->click();
  EXPECT_EQ(prompt.boxes().size(), 1u);  // a failed export says so

  control<QPushButton>("Command4")->click();  // the question is answered No
  EXPECT_EQ(shown().size(), 3);
  prompt.answerNext(true);
  control<QPushButton>("Command4")->click();
  EXPECT_TRUE(shown().isEmpty());
  EXPECT_TRUE(SongHistory(SongHistory::fileIn(dir.path())).songs().isEmpty());
}

// Ctrl+A and Like: one write for all the rows; outside texts show without bidi controls.
TEST_F(Form6Test, LikeOnEveryRowIsOneWriteAndTitlesShowWithoutBidiControls) {
  announce(QStringLiteral("evil\u202Egnp.exe\u2066"));
  EXPECT_EQ(shown().first(), "evilgnp.exe");
  auto* list = control<QTreeWidget>("ListView1");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  const int before = log.history().writes();
  control<QPushButton>("Command1")->click();
  EXPECT_EQ(log.history().writes(), before + 1);
  const QList<Song> saved = SongHistory(SongHistory::fileIn(dir.path())).songs();
  EXPECT_EQ(std::count_if(saved.begin(), saved.end(), [](const Song& s) { return s.liked; }), 4);
}

}  // namespace
