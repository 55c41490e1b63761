#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/backgroundnotice.h"
#include "fake_notification_server.h"

namespace {

const QString kService = QStringLiteral("org.vantor.test.BackgroundNotice%1").arg(QCoreApplication::applicationPid());

// Once per user: not again in the same run, nor in a later one; without a notification server
// nothing is marked, so a later run still tells.
TEST(BackgroundNotice, IsShownOncePerUserAndOnlyMarkedWhenShown) {
  if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  QTemporaryDir home;
  const QString mark = home.filePath("state/vantor-radio/background-notice-shown");

  BackgroundNotice noServer(QDBusConnection::sessionBus(), mark, kService);
  noServer.tell();
  QTest::qWait(300);
  EXPECT_FALSE(QFileInfo::exists(mark));

  FakeNotificationServer server{QStringLiteral("notice-server"), kService};
  ASSERT_TRUE(server.registered());
  BackgroundNotice first(QDBusConnection::sessionBus(), mark, kService);
  first.tell();
  first.tell();  // while the first is on its way
  QTRY_VERIFY_WITH_TIMEOUT(first.wasShown(), 5000);
  first.tell();
  BackgroundNotice later(QDBusConnection::sessionBus(), mark, kService);
  later.tell();
  QTest::qWait(300);
  ASSERT_EQ(server.notes.size(), 1);
  EXPECT_EQ(server.notes[0].appName, "Vantor Internet Radio");
  EXPECT_EQ(server.notes[0].summary, "Playing on in the background");
}

}  // namespace
