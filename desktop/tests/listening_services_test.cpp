// The idle inhibitor and the sleep monitor against fake portal and logind services on the test's
// session bus.
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "desktop/idleinhibitor.h"
#include "desktop/sleepmonitor.h"
#include "fake_session_services.h"

namespace {

QString unique(const char* name) {
  return QStringLiteral("org.vantor.test.%1%2")
      .arg(QLatin1String(name))
      .arg(QCoreApplication::applicationPid());
}

// The pipe's write end is closed everywhere: logind's hold is gone.
bool released(int readEnd) {
  pollfd p{readEnd, POLLIN, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLHUP);
}

class ListeningServices : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
  }
  const QString portal = unique("Portal");
  const QString logind = unique("Login");
};

TEST_F(ListeningServices, PortalHoldsOffSuspendWhileWantedAndOnlyOnce) {
  FakeSessionServices services(QStringLiteral("fake-portal"), {portal, logind});
  ASSERT_TRUE(services.registered());
  auto inhibitor =
      makeIdleInhibitor(QDBusConnection::sessionBus(), QDBusConnection::sessionBus(), portal, logind);
  inhibitor->inhibit(QStringLiteral("Playing"));
  inhibitor->inhibit(QStringLiteral("Playing"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return services.calls.size() == 1; }, 5000));
  EXPECT_EQ(services.calls[0], "portal:4");  // suspend only
  inhibitor->release();
  inhibitor->release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return services.calls.size() == 2; }, 5000));
  EXPECT_EQ(services.calls[1], "close:/org/freedesktop/portal/desktop/request/1_1/t1");

  // Released before the portal answered: the hold is given back as soon as it comes.
  inhibitor->inhibit(QStringLiteral("Playing"));
  inhibitor->release();
  EXPECT_TRUE(QTest::qWaitFor([&] { return services.calls.size() == 4; }, 5000));
  EXPECT_EQ(services.calls.value(3), "close:/org/freedesktop/portal/desktop/request/1_1/t2");
  QTest::qWait(300);
  EXPECT_EQ(services.calls.size(), 4);
}

TEST_F(ListeningServices, WithoutAPortalLogindBlocksIdleUntilReleased) {
  FakeSessionServices services(QStringLiteral("fake-logind"), {logind});
  ASSERT_TRUE(services.registered());
  auto inhibitor =
      makeIdleInhibitor(QDBusConnection::sessionBus(), QDBusConnection::sessionBus(), portal, logind);
  inhibitor->inhibit(QStringLiteral("Playing"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return services.calls.size() == 1; }, 5000));
  EXPECT_EQ(services.calls[0], "logind:idle:block");
  ASSERT_EQ(services.heldEnds_.size(), 1);
  QTest::qWait(200);
  EXPECT_FALSE(released(services.heldEnds_[0])) << "the hold went before the release";
  inhibitor->release();
  EXPECT_TRUE(QTest::qWaitFor([&] { return released(services.heldEnds_[0]); }, 5000));
}

TEST_F(ListeningServices, WakingUpIsReportedGoingToSleepIsNot) {
  FakeSessionServices services(QStringLiteral("fake-sleep"), {logind});
  ASSERT_TRUE(services.registered());
  auto monitor = makeSleepMonitor(QDBusConnection::sessionBus(), logind);
  QSignalSpy resumed(monitor.get(), &SleepMonitor::resumed);
  services.prepareForSleep(true);
  services.prepareForSleep(false);
  ASSERT_TRUE(resumed.wait(5000));
  QTest::qWait(200);
  EXPECT_EQ(resumed.count(), 1);
}

}  // namespace
