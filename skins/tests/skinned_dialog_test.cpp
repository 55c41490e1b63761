#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <gtest/gtest.h>

#include "app/trap.h"
#include "skin.h"
#include "skin_test_support.h"

namespace {

// A dialog laid out as the program's dialogs are: a background and a title bar picture.
class PictureDialog final : public QDialog {
 public:
  explicit PictureDialog(int* loads, bool withTitleBar = true) {
    ++*loads;
    auto* background = new QLabel(this);
    background->setObjectName("Image1");
    if (withTitleBar) {
      auto* bar = new QLabel(this);
      bar->setObjectName("Image2");
    }
  }
  QLabel& picture(const char* name) { return *findChild<QLabel*>(QLatin1String(name)); }
};

struct Seen {
  QColor background, titleBar;
};

class SkinnedDialogTest : public ::testing::Test, protected SkinFixture {
 protected:
  int loads = 0;
  int shown = 0;

  // Red with a yellow title bar, worn unless a test chooses another.
  void SetUp() override {
    writeSkin("Rood", QColor(), Qt::red, Qt::yellow);
    chooseSkin("Rood");
  }
  DialogFactory dialog(bool withTitleBar = true) {
    return [this, withTitleBar] { return std::make_unique<PictureDialog>(&loads, withTitleBar); };
  }
  // Opens a dialog and notes which pictures it wore while it was shown.
  Seen open(const std::function<void()>& whileShown = {}) {
    Seen seen;
    OpenSkinnedDialog(language, temp.folder(), dialog(), [&](QDialog& d) {
      ++shown;
      auto& shownDialog = static_cast<PictureDialog&>(d);
      seen = {CentreColour(shownDialog.picture("Image1")), CentreColour(shownDialog.picture("Image2"))};
      if (whileShown) whileShown();
      EXPECT_EQ(CentreColour(shownDialog.picture("Image1")), seen.background);
    });
    return seen;
  }
};

TEST_F(SkinnedDialogTest, DressesTheDialogWithTheCurrentSkin) {
  const Seen seen = open();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(seen.background, QColor(Qt::red));
  EXPECT_EQ(seen.titleBar, QColor(Qt::yellow));
  EXPECT_TRUE(prompt.boxes().empty());
}

TEST_F(SkinnedDialogTest, MissingTitleBarPictureShowsError12AndNoDialog) {
  writeSkin("ZonderBalk", QColor(), Qt::red, QColor());
  chooseSkin("ZonderBalk");
  open();
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(shown, 0);
  ASSERT_EQ(prompt.texts(), QStringList{text("error12")});
  EXPECT_EQ(prompt.boxes().front().kind, RecordingPrompt::Kind::Critical);
}

TEST_F(SkinnedDialogTest, FailuresAnywhereInTheOpeningAreError12) {
  const auto show = [this](QDialog&) { ++shown; };
  OpenSkinnedDialog(language, temp.folder(), dialog(false), show);
  OpenSkinnedDialog(
      language, temp.folder(), [] { return std::unique_ptr<QDialog>(); }, show);
  OpenSkinnedDialog(
      language, temp.folder(), []() -> std::unique_ptr<QDialog> { throw StepFailed("load handler failed"); },
      show);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(prompt.texts(), (QStringList{text("error12"), text("error12"), text("error12")}));
}

TEST_F(SkinnedDialogTest, ADialogOpenedAfterASkinChangeWearsTheNewSkinAndAnOpenOneKeepsItsOwn) {
  writeSkin("Blauw", QColor(), Qt::blue, Qt::cyan);
  Seen inner;
  // As the skin chooser does from inside the settings dialog.
  const Seen outer = open([&] {
    chooseSkin("Blauw");
    inner = open();
  });
  EXPECT_EQ(outer.background, QColor(Qt::red));
  EXPECT_EQ(inner.background, QColor(Qt::blue));
  EXPECT_EQ(inner.titleBar, QColor(Qt::cyan));
  EXPECT_EQ(open().background, QColor(Qt::blue));
  EXPECT_EQ(shown, 3);
}

TEST_F(SkinnedDialogTest, ShowsModallyByDefaultAndReturnsWhenClosed) {
  bool wasModal = false;
  QTimer::singleShot(0, [&] {
    auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    wasModal = d->isModal() && d->findChild<QLabel*>("Image2")->hasScaledContents();
    d->accept();
  });
  OpenSkinnedDialog(language, temp.folder(), dialog());
  EXPECT_EQ(loads, 1);
  EXPECT_TRUE(wasModal);
  EXPECT_TRUE(prompt.boxes().empty());
}

}  // namespace
