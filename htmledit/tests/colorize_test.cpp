// The marking pass on the texts it must get right, character by character.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

#include "corvel.h"
#include "htprgbar.h"
#include "marks.h"

namespace {

QString Colorized(const QString& text, const std::function<void(Corvel&)>& setUp = {}) {
  Corvel control;
  if (setUp) setUp(control);
  control.setText(text);
  control.Colorize(0, 0);
  EXPECT_EQ(control.Text(), text);
  return MarksOf(control);
}

const QString kFont = QStringLiteral("<font size=3 face=\"Arial Black\">x</font>");

TEST(Colorize, FontTagUnderTheThreeSwitchSettings) {
  // <font: tag 2..5, size 7..10, 3 at 12, face 14..17, Arial Black 20..30.
  const QString plain = Plain(int(kFont.size()));
  EXPECT_EQ(Colorized(kFont), With(plain, 2, 5, u'b'));
  EXPECT_EQ(Colorized(kFont, [](Corvel& c) { c.setPropValItalic(true); }),
            With(With(With(plain, 2, 5, u'b'), 12, 12, u'i'), 20, 30, u'i'));
  EXPECT_EQ(Colorized(kFont, [](Corvel& c) { c.setPropNameItalic(true); }),
            With(With(With(plain, 2, 5, u'b'), 7, 10, u'i'), 14, 17, u'i'));
}

TEST(Colorize, TagsWithoutAttributesAndDeclarationsStayPlain) {
  EXPECT_EQ(Colorized(QStringLiteral("<b>bold</b>")), Plain(11));
  const auto everything = [](Corvel& c) {
    c.setPropNameItalic(true);
    c.setPropValItalic(true);
    c.setTagItalic(true);
  };
  EXPECT_EQ(Colorized(QStringLiteral("<!DOCTYPE html PUBLIC>"), everything), Plain(22));
}

TEST(Colorize, AttributeWithoutValueGetsTheValueLook) {
  EXPECT_EQ(Colorized(QStringLiteral("<input disabled>"), [](Corvel& c) { c.setPropValItalic(true); }),
            With(With(Plain(16), 2, 6, u'b'), 8, 15, u'i'));
}

TEST(Colorize, CommentBetweenItsMarkers) {
  EXPECT_EQ(Colorized(QStringLiteral("<!-- note -->")), With(Plain(13), 5, 10, u'i'));
}

TEST(Colorize, EntityNeedsItsSemicolonWithinEightCharacters) {
  const auto entityBold = [](Corvel& c) { c.setEntityBold(true); };
  EXPECT_EQ(Colorized(QStringLiteral("a &amp; b"), entityBold), With(Plain(9), 3, 7, u'b'));
  EXPECT_EQ(Colorized(QStringLiteral("a &thetasym; b"), entityBold), Plain(14));
  EXPECT_EQ(Colorized(QStringLiteral("a & b"), entityBold), Plain(5));
}

TEST(Colorize, ScriptBodyOpensNoTags) {
  const QString text = QStringLiteral("<script>if (a<b&&c) d();</ScRiPt><a href=x>");
  const QString marks = Colorized(text, [](Corvel& c) { c.setEntityItalic(true); });
  // &&c) d(); is 16..24; after the block the anchor tag is a tag again.
  EXPECT_EQ(marks, With(With(Plain(int(text.size())), 16, 24, u'i'), 35, 35, u'b'));
}

TEST(Colorize, LaterMarksWinAndOnlyTheRangeIsTouched) {
  Corvel control;
  control.setEntityBold(true);
  control.setText(QStringLiteral("<a title=\"x&amp;y\">&amp;\n<b class=c>"));
  control.Colorize(1, 20);
  // The entity inside the value takes the value's look; the one in running text keeps its own;
  // the second line lies outside the range.
  EXPECT_EQ(MarksOf(control),
            With(QStringLiteral("..................") + Plain(6) + u'\n' + Plain(11), 20, 24, u'b')
                .replace(1, 1, u'b'));
}

TEST(Colorize, RestoresSelectionAndRaisesNothing) {
  Corvel control;
  control.setText(QStringLiteral("<p class=x>one</p>\n<p>two &amp;</p>"));
  control.setSelStart(3);
  control.setSelLength(9);
  int raised = 0;
  for (auto signal : {&Corvel::Change, &Corvel::SelChange, &Corvel::Click, &Corvel::DblClick})
    QObject::connect(&control, signal, [&raised] { ++raised; });
  QObject::connect(&control, &Corvel::KeyDown, [&raised](short&, short&) { ++raised; });
  QObject::connect(&control, &Corvel::KeyUp, [&raised](short&, short&) { ++raised; });
  QObject::connect(&control, &Corvel::KeyPress, [&raised](short&) { ++raised; });
  QObject::connect(&control, &Corvel::MouseDown, [&raised](short&, short&, float&, float&) { ++raised; });
  QObject::connect(&control, &Corvel::MouseUp, [&raised](short&, short&, float&, float&) { ++raised; });

  // User input that arrives while the pass runs reaches nobody.
  QProgressBar bar;
  control.setProgressBar(&bar);
  bool sent = false;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
    if (value < 50 || sent) return;
    sent = true;
    QTest::keyClick(control.box(), Qt::Key_Right);
    QTest::mouseClick(control.box()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  });
  control.Colorize(0, 0);
  EXPECT_TRUE(sent);
  EXPECT_EQ(raised, 0);
  EXPECT_EQ(control.SelStart(), 3);
  EXPECT_EQ(control.SelLength(), 9);
  EXPECT_TRUE(control.box()->updatesEnabled());
  EXPECT_FALSE(control.isBusy());
}

TEST(Colorize, ProgressRisesFromZeroToHundred) {
  Corvel control;
  QProgressBar bar;
  bar.setValue(40);
  control.setProgressBar(&bar);
  control.Colorize(0, 0);  // empty text: nothing scanned, the display set to 0
  EXPECT_EQ(bar.value(), 0);
  EXPECT_EQ(bar.minimum(), 0);
  EXPECT_EQ(bar.maximum(), 100);

  control.setText(QString(QStringLiteral("<p class=x>a</p>\n")).repeated(40));
  bar.setValue(7);
  QList<int> values;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&values](int v) { values.append(v); });
  control.Colorize(0, 0);
  ASSERT_FALSE(values.isEmpty());
  EXPECT_EQ(values.front(), 0);
  EXPECT_EQ(values.back(), 100);
  EXPECT_LE(values.size(), 101);
  for (qsizetype i = 1; i < values.size(); ++i) EXPECT_GE(values[i] - values[i - 1], 1) << i;

  HtPrgBar slim;
  control.setProgressBar(&slim);
  control.Colorize(0, 0);
  EXPECT_EQ(slim.Percent(), 100);
  QObject other;
  control.setProgressBar(&other);
  EXPECT_NO_THROW(control.Colorize(0, 0));
}

TEST(Colorize, PercentageRoundsHalvesToEven) {
  EXPECT_EQ(colorize::percentage(1, 200), 0);  // 0.5
  EXPECT_EQ(colorize::percentage(3, 200), 2);  // 1.5
  EXPECT_EQ(colorize::percentage(5, 200), 2);  // 2.5
  EXPECT_EQ(colorize::percentage(7, 8), 88);   // 87.5
  EXPECT_EQ(colorize::percentage(8, 8), 100);
  colorize::Progress progress;
  EXPECT_EQ(progress.rise(1, 200), -1);
  EXPECT_EQ(progress.rise(3, 200), 2);
  EXPECT_EQ(progress.rise(5, 200), -1);
}

class FailingBar final : public HtPrgBar {
 public:
  void setPercent(int) override { throw std::runtime_error("progress display gone"); }
};

TEST(Colorize, FailedPreparationStillReleasesTheBox) {
  Corvel control;
  control.setText(QStringLiteral("<p class=x>"));
  FailingBar bar;
  control.setProgressBar(&bar);
  EXPECT_THROW(control.Colorize(0, 0), std::runtime_error);
  EXPECT_FALSE(control.isBusy());
  EXPECT_TRUE(control.box()->updatesEnabled());
  QSignalSpy changes(&control, &Corvel::Change);
  QTest::keyClick(control.box(), Qt::Key_A);
  EXPECT_EQ(changes.count(), 1);
}

TEST(Colorize, OutOfRangePositionsAreTakenBackToTheText) {
  Corvel control;
  control.setText(QStringLiteral("<p class=x>"));
  EXPECT_NO_THROW(control.Colorize(-5, 1000));
  EXPECT_EQ(MarksOf(control), With(Plain(11), 2, 2, u'b'));
  EXPECT_NO_THROW(control.Colorize(9, 3));
}

}  // namespace
