#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "autostart.h"
#include "autostart_test_support.h"

namespace {

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

class AutostartTest : public ::testing::Test {
 protected:
  QTemporaryDir config;
  XdgAutostart autostart{config.path()};
};

TEST_F(AutostartTest, AnyProgramPathSurvivesTheQuotingOfExec) {
  const QString paths[] = {
      "/opt/vantor-radio/vantor-radio",
      "/home/an/My Radio/vantor-radio",
      "/home/an/it's \"radio\"/vantor-radio",
      "/srv/$HOME `id` back\\slash/\ttab;&|<>*?#~()/vantor-radio",
      "/home/an/twee\nregels/ünïcode €/vantor-radio",
  };
  for (const QString& path : paths) {
    autostart.SetRunValue("Vantor Internet Radio", path);
    const ReadBackEntry entry = ReadDesktopEntry(autostart.entryFile());
    ASSERT_TRUE(entry.error.isEmpty()) << entry.error.toStdString() << " for " << path.toStdString();
    EXPECT_EQ(entry.exec, QStringList{path});
    EXPECT_EQ(entry.type, "Application");
    EXPECT_EQ(entry.name, "Vantor Internet Radio");
    EXPECT_FALSE(entry.hidden);
  }
}

TEST_F(AutostartTest, RemKeepsTheEntryButHidesIt) {
  const QString path = "/home/an/My Radio/vantor-radio";
  autostart.SetRunValue("Vantor Internet Radio", path);
  autostart.SetRunValue("Vantor Internet Radio", "rem " + path);
  ReadBackEntry entry = ReadDesktopEntry(autostart.entryFile());
  ASSERT_TRUE(entry.error.isEmpty()) << entry.error.toStdString();
  EXPECT_TRUE(entry.hidden);
  EXPECT_EQ(entry.exec, QStringList{path});
  EXPECT_EQ(QFileInfo(autostart.entryFile()).fileName(), "vantor-internet-radio.desktop");

  autostart.SetRunValue("Vantor Internet Radio", path);
  entry = ReadDesktopEntry(autostart.entryFile());
  EXPECT_FALSE(entry.hidden);
  // Nothing but the entry itself is left in the folder (no temporary files).
  EXPECT_EQ(QFileInfo(autostart.entryFile()).dir().entryList(QDir::Files | QDir::Hidden),
            QStringList{"vantor-internet-radio.desktop"});
}

TEST_F(AutostartTest, AnUnwritableFolderPassesSilently) {
  // A file where the autostart folder should be.
  QFile blocker(config.filePath("autostart"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  autostart.SetRunValue("Vantor Internet Radio", "/opt/radio/vantor-radio");
  EXPECT_FALSE(QFileInfo::exists(autostart.entryFile()));
}

TEST_F(AutostartTest, BothEntriesPassTheDesktopFileValidator) {
  const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
  if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
  for (const QString& text :
       {QString("/home/an/it's \"radio\"/vantor-radio"), QString("rem /opt/radio/vantor-radio")}) {
    autostart.SetRunValue("Vantor Internet Radio", text);
    QProcess check;
    check.start(validator, {autostart.entryFile()});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << text.toStdString() << ": "
                                   << check.readAllStandardOutput().toStdString();
  }
}

TEST(AutostartConfigHomeTest, FollowsXdgConfigHomeAndFallsBackToDotConfig) {
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", "/tmp/elders");
  EXPECT_EQ(XdgAutostart::configHomeFromEnvironment(), "/tmp/elders");
  // A relative value is not a valid base folder.
  qputenv("XDG_CONFIG_HOME", "relative/config");
  EXPECT_EQ(XdgAutostart::configHomeFromEnvironment(), QDir::homePath() + "/.config");
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(XdgAutostart::configHomeFromEnvironment(), QDir::homePath() + "/.config");
  if (!saved.isNull()) qputenv("XDG_CONFIG_HOME", saved);
}

}  // namespace
