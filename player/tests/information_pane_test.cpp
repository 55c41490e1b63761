#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include "bundled_directory.h"
#include "form1_fixture.h"
#include "player/Form1.h"
#include "player/pageview.h"
#include "station_click.h"

// Takes the place of the user's web browser for http addresses.
class OpenedAddresses : public QObject {
  Q_OBJECT
 public:
  OpenedAddresses() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
  ~OpenedAddresses() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
  QStringList urls;
 public Q_SLOTS:
  void open(const QUrl& url) { urls << url.toString(); }
};

namespace {

class InformationPaneTest : public MainWindowTest {
 protected:
  PageView* pane() { return form->findChild<PageView*>("WebBrowser1"); }
  // Waits until the pane has shown the address (pages load in the background).
  bool shows(const QString& url) {
    return QTest::qWaitFor([&] { return pane()->currentUrl() == url && !pane()->isLoading(); }, 10000);
  }
  void click(const char* name) { QTest::mouseClick(form->findChild<QLabel*>(name), Qt::LeftButton); }
};

TEST_F(InformationPaneTest, UnreachableDirectoryShowsError1OfTheCurrentLanguage) {
  dir.profile({"Online Radio/taal=Nederlands"});
  start("http://127.0.0.1:9/");
  const QString dutch = form->language().LangText("error1");
  ASSERT_TRUE(shows("about:" + dutch)) << pane()->currentUrl().toStdString();
  EXPECT_TRUE(pane()->toPlainText().contains("De pagina kon niet geladen worden."))
      << pane()->toPlainText().toStdString();

  // Any page that fails, in the language chosen by then.
  form->findChild<QLineEdit*>("gESelecteerdland")->setText("english");
  click("Label5");
  ASSERT_TRUE(shows("about:" + form->language().LangText("error1"))) << pane()->currentUrl().toStdString();
  EXPECT_TRUE(pane()->toPlainText().contains("The page could not be loaded."))
      << pane()->toPlainText().toStdString();
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(InformationPaneTest, AboutPageComesFromTheDirectory) {
  BundledDirectory directory;
  const QString base = QString::fromStdString(directory.base());
  start(base);
  ASSERT_TRUE(shows(base + "radio/inter/website/index.php?wat=home&lang=english&versie=2.0"));
  click("Label5");
  ASSERT_TRUE(shows(base + "radio/inter/website/index.php?wat=about&lang=english"));
  EXPECT_TRUE(pane()->toPlainText().contains("This station directory runs on your own computer."))
      << pane()->toPlainText().toStdString();
}

TEST_F(InformationPaneTest, StationWebsiteOpensInTheBrowserWithTheSchemeInFront) {
  OpenedAddresses browser;
  start("http://127.0.0.1:9/");
  // Before any station is chosen: the directory's own site.
  click("Label3");
  EXPECT_EQ(browser.urls, QStringList{"http://127.0.0.1:9/"});

  ClickOnlyStation(*form, "Radio Een", "http://s/1", "www.een.example/luister?x=1");
  click("Label3");
  EXPECT_EQ(browser.urls.last(), "http://www.een.example/luister?x=1");
  EXPECT_TRUE(prompt.boxes().empty());

  // An address that cannot be opened is the handler's failure.
  listening.play(Station{"Radio Een", "http://s/1", "[kapot"});
  click("Label3");
  EXPECT_EQ(browser.urls.size(), 2);
  EXPECT_EQ(prompt.texts(), QStringList{form->language().LangText("error12")});
}

}  // namespace

#include "information_pane_test.moc"
