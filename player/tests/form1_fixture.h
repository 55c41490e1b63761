#pragma once

// The main window with fake player, tray and prompt, for the window's own tests.
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/ini.h"
#include "desktop/trayicon.h"
#include "fake_media_player.h"
#include "fake_system_tray.h"
#include "player/Form1.h"
#include "player/pageview.h"
#include "recording_prompt.h"
#include "temp_program_folder.h"

// Waits for the timer's next tick (the window's own handler runs on it first).
inline void tick(QTimer* timer) {
  ASSERT_TRUE(timer->isActive()) << timer->objectName().toStdString();
  QSignalSpy spy(timer, &QTimer::timeout);
  ASSERT_TRUE(spy.wait(timer->interval() * 5 + 500)) << timer->objectName().toStdString();
}

// The window on a shipped program folder, with every service faked.
class MainWindowTest : public ::testing::Test {
 protected:
  TempProgramFolder dir{TempProgramFolder::Contents::ShippedData};
  RecordingPrompt prompt;
  FakeMediaPlayer player;
  Listening listening{player};
  FakeSystemTray* tray = nullptr;
  std::unique_ptr<Form1> form;
  Messenger* messenger = nullptr;

  // Nothing listens on port 9 of loopback: every download fails fast.
  void start(const QString& directory = "http://127.0.0.1:9/") {
    auto fakeTray = std::make_unique<FakeSystemTray>();
    tray = fakeTray.get();
    form = std::make_unique<Form1>(Form1Services{dir.folder(), prompt, listening, std::move(fakeTray),
                                                 DirectoryAddress(directory), messenger});
  }
};

class Form1Test : public MainWindowTest {
 protected:
  template <typename T>
  T* control(const char* name) {
    T* c = form->findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  QTimer* timer(const char* name) { return control<QTimer>(name); }
  QString label(const char* name) { return control<QLabel>(name)->text(); }
  QString remembered(const char* key) { return INI::ReadIni(dir.folder().instIni(), "Onthouden", key); }
  void startUp() { tick(timer("Timer3")); }
  // The window on a profile with these entries, past its start-up routine.
  void launch(const QStringList& profile = {}, bool withTray = true) {
    dir.profile(profile);
    start();
    tray->available = withTray;
    startUp();
  }
  void fillStations() {
    auto* l1 = control<QListWidget>("List1");
    l1->clear();
    l1->addItems({"Radio Een", "Radio Twee", "Radio Drie"});
    control<QListWidget>("List2")->addItems({"http://s/1", "http://s/2", "http://s/3"});
    control<QListWidget>("List3")->addItems({"een.example/", "twee.example/", "drie.example/"});
  }
  void clickRow(int row) {
    auto* list = control<QListWidget>("List1");
    list->setCurrentRow(row);
    const QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  }
};
