#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include "desktop/trayicon.h"
#include "fake_system_tray.h"

namespace {

QIcon someIcon() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::red);
  return QIcon(pixmap);
}

class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    auto fake = std::make_unique<FakeSystemTray>();
    tray = fake.get();
    icon = std::make_unique<TrayIcon>(std::move(fake));
  }
  FakeSystemTray* tray;
  std::unique_ptr<TrayIcon> icon;
};

TEST_F(TrayIconTest, AddAndRemoveKeepExactlyOneOrNoIcon) {
  icon->Remove();  // before any Add
  EXPECT_FALSE(icon->isShown());
  EXPECT_EQ(tray->hides, 0);

  icon->Add(someIcon());
  icon->Add(someIcon());
  EXPECT_TRUE(icon->isShown());
  EXPECT_TRUE(tray->visible);
  EXPECT_EQ(tray->shows, 1);

  icon->Remove();
  icon->Remove();
  EXPECT_FALSE(icon->isShown());
  EXPECT_FALSE(tray->visible);
  EXPECT_EQ(tray->hides, 1);

  icon->Add(someIcon());
  EXPECT_TRUE(tray->visible);
  EXPECT_EQ(tray->shows, 2);
}

TEST_F(TrayIconTest, TipIsCutTo63CharactersAndTakesEffectAtTheNextAdd) {
  EXPECT_EQ(icon->ScreenTip(), " ");
  icon->Add(someIcon());
  EXPECT_EQ(tray->tip, " ");

  const QString tip63(63, u'a');
  icon->setScreenTip(tip63 + "bcd");
  EXPECT_EQ(icon->ScreenTip(), tip63 + "bcd");  // the property keeps what was set
  EXPECT_EQ(tray->tip, " ");                    // the shown icon is left alone
  icon->Add(someIcon());                        // a duplicate add does not refresh the tip
  EXPECT_EQ(tray->tip, " ");

  icon->Remove();
  icon->Add(someIcon());
  EXPECT_EQ(tray->tip, tip63);
  EXPECT_EQ(icon->shownTip(), tip63);

  icon->Remove();
  icon->setProperty("ScreenTip", QStringLiteral("Vantor Internet Radio"));
  icon->Add(someIcon());
  EXPECT_EQ(tray->tip, "Vantor Internet Radio");
}

TEST(TrayIconTip, CountsCharactersNotUtf16Units) {
  const QString note = QString::fromUcs4(U"\U0001D11E");  // outside the BMP: two UTF-16 units
  const QString tip = QString(62, u'x') + note + "tail";
  EXPECT_EQ(TrayIcon::cutTip(tip), QString(62, u'x') + note);
  EXPECT_EQ(TrayIcon::cutTip(QString(10, u'y')), QString(10, u'y'));
  EXPECT_EQ(TrayIcon::cutTip(QString()), QString());
}

TEST_F(TrayIconTest, MouseActionsBecomeTheThreeEvents) {
  QSignalSpy click(icon.get(), &TrayIcon::Click);
  QSignalSpy dbl(icon.get(), &TrayIcon::DblClick);
  QSignalSpy right(icon.get(), &TrayIcon::RightClick);
  icon->Add(someIcon());

  tray->press();
  tray->doubleClick();
  tray->context();
  tray->context();
  tray->middle();
  EXPECT_EQ(click.count(), 1);
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(right.count(), 2);
}

TEST_F(TrayIconTest, ActionsAfterTheIconIsGoneAreIgnored) {
  // The host removes the icon on Click; the rest of the gesture must not reach it.
  int clicks = 0;
  QObject::connect(icon.get(), &TrayIcon::Click, icon.get(), [&] {
    ++clicks;
    icon->Remove();
  });
  QSignalSpy dbl(icon.get(), &TrayIcon::DblClick);
  icon->Add(someIcon());
  tray->press();
  tray->doubleClick();
  tray->press();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(dbl.count(), 0);
  EXPECT_FALSE(tray->visible);
}

// Reports into a flag that outlives it, so the test can look after the control is gone.
class WatchedTray final : public SystemTray {
 public:
  explicit WatchedTray(bool& up) : up_(up) {}
  bool isAvailable() const override { return true; }
  void show(const QIcon&, const QString&) override { up_ = true; }
  void hide() override { up_ = false; }

 private:
  bool& up_;
};

TEST(TrayIconLifetime, DestroyingTheControlTakesTheIconAway) {
  bool up = false;
  auto icon = std::make_unique<TrayIcon>(std::make_unique<WatchedTray>(up));
  icon->Add(someIcon());
  EXPECT_TRUE(up);
  icon.reset();
  EXPECT_FALSE(up);
}

TEST(TrayIconReal, KeepsItsStateWithoutASystemTray) {
  // Offscreen there is no tray; the control still tracks its icon for the window.
  TrayIcon icon(makeSystemTray());
  EXPECT_EQ(icon.isSystemTrayAvailable(), QSystemTrayIcon::isSystemTrayAvailable());
  icon.Add(QApplication::windowIcon());
  EXPECT_TRUE(icon.isShown());
  icon.Remove();
  EXPECT_FALSE(icon.isShown());
}

TEST(IconTrayMenu, HasTheSixItemsInOrder) {
  QWidget host;
  QMenu* menu = makeIconTrayMenu(&host);
  EXPECT_EQ(menu->objectName(), "IconTray");
  EXPECT_EQ(menu->parent(), &host);
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 6);
  const QStringList names = {"muting", "stopspelen", "bla", "open", "streep", "sluit"};
  const QStringList captions = {"Mute On/Off", "Stop Playing", "", "Open", "", "Close"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(actions[i]->objectName(), names[i]);
    EXPECT_EQ(actions[i]->isSeparator(), captions[i].isEmpty()) << names[i].toStdString();
    if (!actions[i]->isSeparator()) {
      EXPECT_EQ(actions[i]->text(), captions[i]);
    }
  }
  EXPECT_EQ(menu->findChild<QAction*>("sluit"), actions[5]);
}

}  // namespace
