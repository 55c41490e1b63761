// The network monitor on Qt's NetworkManager backend, against a fake NetworkManager on the
// test's own bus standing in for the system bus.
#include <QNetworkInformation>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "desktop/networkmonitor.h"

namespace {

TEST(NetworkMonitorTest, OnlyComingBackOnlineIsReported) {
  const QByteArray bus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus.isEmpty()) GTEST_SKIP() << "no session bus";
  // Qt opens the system bus and loads a network backend once per process; ctest runs each test
  // in a process of its own, where this one comes first.
  if (::testing::UnitTest::GetInstance()->test_to_run_count() != 1) GTEST_SKIP() << "runs alone only";
  QProcess manager;
  manager.start(
      QStringLiteral("/usr/bin/python3"),  // Debian's, which has python3-dbus
      {QStringLiteral(VANTOR_SOURCE_DIR "/tests/support/fake_networkmanager.py"), QString::fromLatin1(bus)});
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return manager.canReadLine() || manager.state() == QProcess::NotRunning; }, 15000));
  ASSERT_EQ(manager.readLine().trimmed(), "ready") << manager.readAllStandardError().toStdString();
  qputenv("DBUS_SYSTEM_BUS_ADDRESS", bus);  // before anything in this process opens the system bus

  const auto monitor = makeNetworkMonitor();
  QNetworkInformation* info = QNetworkInformation::instance();
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->backendName(), QStringLiteral("networkmanager"));
  QSignalSpy reachable(monitor.get(), &NetworkMonitor::reachable);
  const auto reaches = [&](QNetworkInformation::Reachability r) {
    return QTest::qWaitFor([&] { return info->reachability() == r; }, 5000);
  };
  ASSERT_TRUE(reaches(QNetworkInformation::Reachability::Online));

  manager.write("20\n");  // disconnected
  ASSERT_TRUE(reaches(QNetworkInformation::Reachability::Disconnected));
  manager.write("60\n");  // connected to the local network only
  ASSERT_TRUE(reaches(QNetworkInformation::Reachability::Site));
  EXPECT_EQ(reachable.count(), 0);
  manager.write("70\n");  // online again
  ASSERT_TRUE(reaches(QNetworkInformation::Reachability::Online));
  EXPECT_EQ(reachable.count(), 1);
  manager.closeWriteChannel();
  manager.waitForFinished(5000);
}

}  // namespace
