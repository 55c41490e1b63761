#include <QApplication>
#include <QDialog>
#include <QFile>

#include "bundled_directory.h"
#include "directory/transfer.h"
#include "form1_fixture.h"
#include "htmledit/corvel.h"
#include "loopback_server.h"
#include "modal_probe.h"

namespace {

class StationListTest : public MainWindowTest {
 protected:
  LoopbackServer http;
  std::string requested;
  int bigCount = 0;

  void SetUp() override {
    http.server().Get(
        R"(/radio/inter/zenders/(.*))", [this](const httplib::Request& req, httplib::Response& res) {
          requested = req.matches[1];
          const std::string file = req.matches[1];
          if (file == "holland.txt") {
            res.set_content(
                "<naam>Radio Een</naam><url>http://s/1</url><homepage>een.nl</homepage>\n"
                "<NAAM>Radio Twee</naam><url>http://s/2</url><homepage>twee.nl</homepage>\n",
                "text/plain; charset=utf-8");
          } else if (file == "big.txt") {
            std::string body;
            bigCount = 0;
            for (int i = 0; body.size() < 100000; ++i, ++bigCount)
              body += "<naam>Station " + std::to_string(i) + "</naam><url>http://s/" + std::to_string(i) +
                      "</url><homepage>h" + std::to_string(i) + "</homepage>\n";
            res.set_content(body, "text/plain");
          } else if (file == "country.txt" || file == "overgrown.txt") {
            // A large real country with long names and addresses (3.4 MB), and twice that.
            std::string body;
            for (int i = 0; i < (file == "country.txt" ? 10000 : 20000); ++i)
              body += "<naam>" + std::string(100, 'n') + "</naam><url>http://127.0.0.1:8047/play/" +
                      std::string(120, 'u') + "</url><homepage>" + std::string(50, 'h') + "</homepage>\n";
            res.set_content(body, "text/plain");
          } else if (file == "lines.txt") {
            res.set_content(
                "<naam>Radio\r\nEen\n</naam><url>http://s/1</url><homepage>een.nl</homepage>\n"
                "<naam>Radio\u2028Twee</naam><url>http://s/2</url><homepage>twee.nl</homepage>\n"
                "<naam>evil\u202Egnp.exe</naam><url>http://s/3</url><homepage>drie.nl</homepage>\n",
                "text/plain; charset=utf-8");
          } else if (file == "huge.txt") {
            res.set_content(std::string(17 * 1024 * 1024, 'x'), "text/plain");
          } else {
            res.status = 404;
            res.set_content("<html><body>Not found</body></html>", "text/html");
          }
        });
    http.server().set_keep_alive_max_count(1);
    http.start();
  }
  void start(const std::string& base) { MainWindowTest::start(QString::fromStdString(base)); }
  QStringList items(const char* name) {
    QStringList out;
    auto* list = form->findChild<QListWidget*>(name);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  QString error10() { return form->language().LangText("error10"); }
};

TEST_F(StationListTest, Timer1LoadsTheRememberedCountryAfterStartUp) {
  dir.profile({"Onthouden/LaatsteLandbestand=holland.txt"});
  start(http.base());
  auto* timer1 = form->findChild<QTimer*>("Timer1");
  QSignalSpy ticked(timer1, &QTimer::timeout);
  ASSERT_TRUE(ticked.wait(5000));
  EXPECT_EQ(requested, "holland.txt");
  EXPECT_EQ(items("List1"), QStringList({"Radio Een", "Radio Twee"}));
  EXPECT_EQ(items("List2"), QStringList({"http://s/1", "http://s/2"}));
  EXPECT_EQ(items("List3"), QStringList({"een.nl", "twee.nl"}));
  EXPECT_FALSE(timer1->isActive());
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(StationListTest, LargeListsLoadWhole) {
  start(http.base());
  form->LaadLijst_Radio("big.txt");
  const QStringList names = items("List1");
  ASSERT_EQ(names.size(), bigCount);
  EXPECT_EQ(names.last(), QString("Station %1").arg(names.size() - 1));
  EXPECT_EQ(items("List2").size(), names.size());
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(StationListTest, AListAsLargeAsARealCountryLoadsAndOneFarLargerIsRefused) {
  start(http.base());
  form->LaadLijst_Radio("country.txt");
  EXPECT_EQ(items("List1").size(), 10000);
  EXPECT_TRUE(prompt.boxes().empty());
  EXPECT_TRUE(form->DownloadInfo().Text().isEmpty());  // megabytes are no text for an editor
  form->LaadLijst_Radio("overgrown.txt");
  EXPECT_TRUE(items("List1").isEmpty());
  EXPECT_EQ(prompt.texts(), QStringList{error10()});
}

TEST_F(StationListTest, ANameWithLineBreaksIsOneRow) {
  start(http.base());
  form->LaadLijst_Radio("lines.txt");
  EXPECT_EQ(items("List1"), QStringList({"Radio Een ", "Radio Twee", "evilgnp.exe"}));
  auto* list = form->findChild<QListWidget*>("List1");
  list->setCurrentRow(0);
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_EQ(listening.station().name, "Radio Een ");
}

TEST_F(StationListTest, DownloadInfoIsAHiddenEditorControlThatHoldsTheReply) {
  start(http.base());
  auto* info = form->findChild<Corvel*>("DownloadInfo");
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(&form->DownloadInfo(), info);
  EXPECT_TRUE(info->isHidden());
  EXPECT_EQ(info->Entities(), 62);
  EXPECT_TRUE(info->AutoColorize() && info->Silent() && info->TagBold() && info->CommentItalic());
  EXPECT_EQ(info->MaxLength(), 0);
  form->LaadLijst_Radio("big.txt");
  EXPECT_EQ(info->Text().count(QStringLiteral("<naam>")), bigCount);
  EXPECT_EQ(items("List1").size(), bigCount);
}

TEST_F(StationListTest, UnknownFileGivesEmptyListsWithoutMessage) {
  start(http.base());
  form->LaadLijst_Radio("nowhere.txt");
  EXPECT_TRUE(items("List1").isEmpty());  // the "error14" hint is gone too
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(StationListTest, FailuresShowError10AndLeaveEmptyLists) {
  start(http.base());
  form->LaadLijst_Radio("holland.txt");
  ASSERT_EQ(items("List1").size(), 2);
  form->LaadLijst_Radio("huge.txt");
  EXPECT_TRUE(items("List1").isEmpty());
  EXPECT_TRUE(items("List2").isEmpty());
  EXPECT_EQ(prompt.texts(), QStringList{error10()});
  EXPECT_EQ(prompt.boxes()[0].kind, RecordingPrompt::Kind::Critical);

  const int port = http.port();
  http.stop();
  prompt.clear();
  start("http://127.0.0.1:" + std::to_string(port) + "/");
  auto* timer1 = form->findChild<QTimer*>("Timer1");
  QSignalSpy ticked(timer1, &QTimer::timeout);
  ASSERT_TRUE(ticked.wait(5000));
  EXPECT_EQ(prompt.texts(), QStringList{error10()});
  EXPECT_TRUE(items("List1").isEmpty());
  EXPECT_FALSE(timer1->isActive());  // no automatic retry
}

}  // namespace

namespace {

class DialogsFromTheMainWindow : public MainWindowTest {
 protected:
  BundledDirectory directory;

  void SetUp() override { start(QString::fromStdString(directory.base())); }
  // Clicks the label and reports which modal dialog came up (closed at once), or "".
  QString dialogOpenedBy(const char* label) {
    return modalOpenedBy([&] { QTest::mouseClick(form->findChild<QLabel*>(label), Qt::LeftButton); });
  }
};

TEST_F(DialogsFromTheMainWindow, CountryNameAndLabelsOpenTheSkinnedDialogs) {
  QSignalSpy skinned(form->findChild<QTimer*>("Timer2"), &QTimer::timeout);
  ASSERT_TRUE(skinned.wait(3000));
  EXPECT_FALSE(form->findChild<QLabel*>("Image1")->pixmap().isNull());
  EXPECT_FALSE(form->findChild<QTimer*>("Timer2")->isActive());

  EXPECT_EQ(dialogOpenedBy("Label1"), "Form2");
  EXPECT_EQ(dialogOpenedBy("TaalGeselecteerdTekst"), "Form2");
  EXPECT_EQ(dialogOpenedBy("Label12"), "Form3");
  EXPECT_TRUE(prompt.boxes().empty()) << prompt.texts().join('|').toStdString();

  // Without the title-bar picture the dialog is not shown.
  QFile::remove(dir.file("Standaard_balk1.skn"));
  EXPECT_EQ(dialogOpenedBy("Label1"), "");
  EXPECT_EQ(prompt.texts(), QStringList{form->language().LangText("error12")});
}

// A user's way through both dialogs: what they hand back lands in the main window.
TEST_F(DialogsFromTheMainWindow, ChosenCountryAndFoundStationReachTheMainWindow) {
  QString homepage;
  QTimer::singleShot(300, [&] {
    QWidget* search = QApplication::activeModalWidget();
    ASSERT_NE(search, nullptr);
    search->findChild<QLineEdit*>("Text1")->setText("jazz");
    search->findChild<QPushButton*>("Command3")->click();
    auto* results = search->findChild<QListWidget*>("List1");
    ASSERT_EQ(results->item(0)->text(), "Grachten Jazz");
    homepage = search->findChild<QListWidget*>("List3")->item(0)->text();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {},
                      results->visualItemRect(results->item(0)).center());
    static_cast<QDialog*>(search)->reject();
  });
  QTest::mouseClick(form->findChild<QLabel*>("Label12"), Qt::LeftButton);
  EXPECT_TRUE(player.url.startsWith(QString::fromStdString(directory.base()))) << player.url.toStdString();
  EXPECT_EQ(form->findChild<QLabel*>("ZenderNaam")->text(), "Grachten Jazz");
  EXPECT_FALSE(homepage.isEmpty());
  EXPECT_EQ(form->findChild<QLabel*>("RadioUrl")->text(), homepage);

  auto* timer1 = form->findChild<QTimer*>("Timer1");
  ASSERT_TRUE(QSignalSpy(timer1, &QTimer::timeout).wait(3000));  // Holland's list at start
  QTimer::singleShot(300, [&] {
    QWidget* chooser = QApplication::activeModalWidget();
    ASSERT_NE(chooser, nullptr);
    chooser->findChild<QListWidget*>("List1")->setCurrentRow(2);  // Germany
    chooser->findChild<QPushButton*>("Command1")->click();
  });
  QTest::mouseClick(form->findChild<QLabel*>("Label1"), Qt::LeftButton);
  EXPECT_EQ(form->findChild<QLabel*>("TaalGeselecteerdTekst")->text(), "Germany");
  EXPECT_EQ(form->findChild<QLabel*>("TaalGeselecteerd")->text(), "duitsland.txt");
  ASSERT_TRUE(timer1->isActive());
  ASSERT_TRUE(QSignalSpy(timer1, &QTimer::timeout).wait(3000));
  auto* stations = form->findChild<QListWidget*>("List1");
  ASSERT_GT(stations->count(), 0);
  EXPECT_EQ(stations->item(0)->text(), "Rheinwelle");
}

}  // namespace
