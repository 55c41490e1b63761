// Typing into the box: entities, re-emphasis on leaving a line; and the line, search, move,
// file and tab services.
#include <gtest/gtest.h>

#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "corvel.h"
#include "htprgbar.h"
#include "marks.h"

namespace {

void Type(Corvel& control, Qt::Key key, const QString& text) {
  QTest::sendKeyEvent(QTest::Click, control.box(), key, text, Qt::NoModifier);
}

TEST(Entities, TypedCharactersBecomeEntitiesByTheirBits) {
  struct Case {
    int entities;
    Qt::Key key;
    QString typed;
    QString expected;
  };
  const Case cases[] = {
      {62, Qt::Key_Adiaeresis, QStringLiteral("ä"), QStringLiteral("&auml;")},
      {62, Qt::Key_ssharp, QStringLiteral("ß"), QStringLiteral("&szlig;")},
      {62, Qt::Key_QuoteDbl, QStringLiteral("\""), QStringLiteral("\"")},
      {62, Qt::Key_section, QStringLiteral("§"), QStringLiteral("&sect;")},
      {63, Qt::Key_QuoteDbl, QStringLiteral("\""), QStringLiteral("&quot;")},
      {0, Qt::Key_Adiaeresis, QStringLiteral("ä"), QStringLiteral("ä")},
      {0, Qt::Key_QuoteDbl, QStringLiteral("\""), QStringLiteral("\"")},
      {58, Qt::Key_Adiaeresis, QStringLiteral("Ä"), QStringLiteral("Ä")},
      {58, Qt::Key_Adiaeresis, QStringLiteral("ä"), QStringLiteral("ä")},
      {58, Qt::Key_Odiaeresis, QStringLiteral("Ö"), QStringLiteral("&Ouml;")},
      {58, Qt::Key_Udiaeresis, QStringLiteral("ü"), QStringLiteral("&uuml;")},
  };
  for (const Case& c : cases) {
    Corvel control;
    control.setEntities(c.entities);
    control.setText(QStringLiteral("ab"));
    control.setSelStart(1);
    Type(control, c.key, c.typed);
    EXPECT_EQ(control.Text(), u'a' + c.expected + u'b') << c.entities << " " << c.typed.toStdString();
    EXPECT_EQ(control.SelStart(), 1 + c.expected.size());
  }
}

TEST(Entities, HostSeesZeroAfterTheEntityIsIn) {
  Corvel control;
  QStringList seen;
  QObject::connect(&control, &Corvel::KeyPress, [&](short& keyAscii) {
    seen << QStringLiteral("%1:%2").arg(keyAscii).arg(control.Text());
  });
  QSignalSpy changes(&control, &Corvel::Change);
  Type(control, Qt::Key_Odiaeresis, QStringLiteral("ö"));
  // The entity's own keystrokes went through the box first; then the host sees 0.
  ASSERT_FALSE(seen.isEmpty());
  EXPECT_EQ(seen.back(), QStringLiteral("0:&ouml;"));
  EXPECT_EQ(seen.size(), 7);
  EXPECT_EQ(changes.count(), 6);
}

TEST(Entities, InputMethodCommitsAreTypedLikeKeys) {
  Corvel control;
  short last = -1;
  QObject::connect(&control, &Corvel::KeyPress, [&](short& keyAscii) { last = keyAscii; });
  QInputMethodEvent dead;  // what a dead key and "a" commit
  dead.setCommitString(QStringLiteral("\u00e4"));
  QCoreApplication::sendEvent(control.box(), &dead);
  EXPECT_EQ(control.Text(), QStringLiteral("&auml;"));
  EXPECT_EQ(last, 0);
  QInputMethodEvent several;
  several.setCommitString(QStringLiteral("\u00df\u00e9"));
  QCoreApplication::sendEvent(control.box(), &several);
  EXPECT_EQ(control.Text(), QStringLiteral("&auml;&szlig;\u00e9"));
  EXPECT_EQ(last, 0xe9);
}

// Three lines with one attribute each; a counting progress display tells how many passes ran.
class ReEmphasis : public ::testing::Test {
 protected:
  class PassCounter final : public HtPrgBar {
   public:
    void setPercent(int percent) override {
      if (percent == 0) ++passes;
      HtPrgBar::setPercent(percent);
    }
    int passes = 0;
  };

  void SetUp() override {
    control.setText(QStringLiteral("<p class=a>one\n<p class=b>two\n<p class=c>six"));
    control.setProgressBar(&counter);
  }
  void caretTo(int line, int column) { control.setSelStart(control.GetLineFirstCharIndex(line) + column); }
  // Whether the p of each line is bold.
  QString tagMarks() const {
    QString out;
    const QStringList lines = MarksOf(control).split(u'\n');
    for (const QString& line : lines) out += line.size() > 1 ? line[1] : u'-';
    return out;
  }

  Corvel control;
  PassCounter counter;
};

TEST_F(ReEmphasis, EnterOneLineDownMarksTheLineLeft) {
  caretTo(1, 14);
  QTest::keyClick(control.box(), Qt::Key_X);  // a change on line 2: recorded
  EXPECT_EQ(control.recordedLine(), 2);
  EXPECT_EQ(counter.passes, 0);
  QSignalSpy changes(&control, &Corvel::Change);
  QTest::keyClick(control.box(), Qt::Key_Return);
  EXPECT_EQ(counter.passes, 1);
  EXPECT_EQ(changes.count(), 1);                  // the pass's own notifications are not the host's
  EXPECT_EQ(tagMarks(), QStringLiteral(".b-."));  // line 2 only; the new line 3 is empty
  EXPECT_EQ(control.recordedLine(), 3);
  EXPECT_EQ(control.Text().count(u'\n'), 3);
  QTest::keyClick(control.box(), Qt::Key_Up);  // nothing edited since: no pass
  EXPECT_EQ(counter.passes, 1);
}

TEST_F(ReEmphasis, LetterKeyMovesTheRecordedLineWithoutAPass) {
  caretTo(2, 3);
  QTest::keyClick(control.box(), Qt::Key_X);
  EXPECT_EQ(control.recordedLine(), 3);
  caretTo(0, 2);  // a selection change with no change before it
  EXPECT_EQ(control.recordedLine(), 3);
  QTest::keyClick(control.box(), Qt::Key_Y);
  EXPECT_EQ(counter.passes, 0);
  EXPECT_EQ(control.recordedLine(), 1);
  EXPECT_EQ(tagMarks(), QStringLiteral("..."));
}

TEST_F(ReEmphasis, ArrowUpPassesExceptFromTheLastLine) {
  // From the middle line the pass covers the caret's line through the recorded one.
  caretTo(1, 5);
  QTest::keyClick(control.box(), Qt::Key_X);
  QTest::keyClick(control.box(), Qt::Key_Delete);  // a change without a caret move
  QTest::keyClick(control.box(), Qt::Key_Up);
  EXPECT_EQ(counter.passes, 1);
  EXPECT_EQ(tagMarks(), QStringLiteral("bb."));

  // From the last line there is no line below the recorded one: no pass.
  caretTo(2, 5);
  QTest::keyClick(control.box(), Qt::Key_X);
  EXPECT_EQ(control.recordedLine(), 3);
  QTest::keyClick(control.box(), Qt::Key_Delete);
  QTest::keyClick(control.box(), Qt::Key_Up);
  EXPECT_EQ(counter.passes, 1);
  EXPECT_EQ(control.recordedLine(), 2);
}

TEST_F(ReEmphasis, OffWhenAutoColorizeIsOff) {
  control.setAutoColorize(false);
  caretTo(1, 14);
  QTest::keyClick(control.box(), Qt::Key_X);
  QTest::keyClick(control.box(), Qt::Key_Return);
  EXPECT_EQ(counter.passes, 0);
  EXPECT_EQ(control.recordedLine(), 3);
}

TEST(LineServices, LinesAndCharacters) {
  Corvel control;
  control.setText(QStringLiteral("one\ntwo\n\nfour"));
  EXPECT_EQ(control.GetLineCount(), 4);
  EXPECT_EQ(control.GetLineSelected(), 0);
  EXPECT_EQ(control.GetLineFirstCharIndex(-1), 0);
  control.setSelStart(6);
  EXPECT_EQ(control.GetLineSelected(), 1);
  EXPECT_EQ(control.GetLineFirstCharIndex(-1), 4);
  EXPECT_EQ(control.GetLineFirstCharIndex(3), 9);
  EXPECT_EQ(control.GetLineFirstCharIndex(4), -1);
  EXPECT_EQ(control.GetLineFromChar(8), 2);
  EXPECT_EQ(control.GetLineFromChar(500), 3);
}

TEST(SearchServices, FindWithItsOptionsAndMissingArguments) {
  Corvel control;
  control.setText(QStringLiteral("Abc abcd abc"));
  control.setSelStart(11);
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 0, 0), 0);  // neither given: the whole text
  EXPECT_EQ(control.SelStart(), 0);
  EXPECT_EQ(control.SelLength(), 3);
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 0, 0, Corvel::rtfMatchCase), 4);
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 0, 0, Corvel::rtfMatchCase | Corvel::rtfWholeWord), 9);
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 5, 0), 9);
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 5, 11), -1);  // the match must end by the end given
  EXPECT_EQ(control.Find(QStringLiteral("abc"), 0, 7), 0);
  control.setSelStart(2);
  EXPECT_EQ(control.Find(QStringLiteral("abcd"), 0, 0, Corvel::rtfNoHighlight), 4);
  EXPECT_EQ(control.SelStart(), 2);
  EXPECT_EQ(control.SelLength(), 0);
  EXPECT_EQ(control.Find(QStringLiteral("zzz")), -1);
}

TEST(SearchServices, SpanAndUpToMoveOverCharacterSets) {
  Corvel control;
  control.setText(QStringLiteral("<p  class=x>"));
  control.setSelStart(2);
  control.Span(QStringLiteral(" "), true, false);
  EXPECT_EQ(control.SelText(), QStringLiteral("  "));
  control.setSelStart(4);
  control.Span(QStringLiteral("=>"), true, true);
  EXPECT_EQ(control.SelText(), QStringLiteral("class"));
  control.setSelStart(9);
  control.Span(QStringLiteral("abcls"), false, false);
  EXPECT_EQ(control.SelText(), QStringLiteral("class"));
  control.setSelStart(0);
  control.UpTo(QStringLiteral("="), true, false);
  EXPECT_EQ(control.SelStart(), 9);
  EXPECT_EQ(control.SelLength(), 0);
  control.UpTo(QStringLiteral("< p"), false, false);  // back to just after the nearest of the set
  EXPECT_EQ(control.SelStart(), 4);
}

TEST(FileServices, SaveAndLoadPlainTextAndPassErrorsOn) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("page.html"));
  Corvel control;
  control.setText(QStringLiteral("<p>ä</p>\nline"));
  control.setTagBold(true);
  control.Colorize(0, 0);
  control.SaveFile(path);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("<p>\xc3\xa4</p>\nline"));
  Corvel other;
  other.LoadFile(path);
  EXPECT_EQ(other.Text(), control.Text());
  EXPECT_EQ(other.FileName(), path);
  EXPECT_THROW(other.LoadFile(dir.filePath(QStringLiteral("missing.html"))), CorvelError);
  EXPECT_EQ(other.Text(), control.Text());
  EXPECT_THROW(other.SaveFile(dir.filePath(QStringLiteral("no/such/dir/x.html"))), CorvelError);
}

TEST(FileServices, APlainSaveKeepsTheFileAsItWas) {
  struct Case {
    QByteArray bytes;
    QByteArray edited;  // after typing U+4E2D at the start
  };
  const Case cases[] = {
      {"<p>caf\xe9\xa0\r\nz\r\n", "&#20013;<p>caf\xe9\xa0\r\nz\r\n"},  // Windows-1252, CRLF
      {"\xef\xbb\xbf<p>\xe2\x80\xa8\r\n", "\xef\xbb\xbf\xe4\xb8\xad<p>\xe2\x80\xa8\r\n"},
      {"a\rb\nc\xe2\x80\xa9",
       "\xe4\xb8\xad"
       "a\rb\rc\r"},  // mixed: an edit takes the first break
      {QByteArray("\xff\xfe"
                  "a\0\r\0\n\0",
                  8),
       QByteArray("\xff\xfe\x2d\x4e"
                  "a\0\r\0\n\0",
                  10)},
  };
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("page.html"));
  auto contents = [&] {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("unreadable");
  };
  for (const Case& c : cases) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.bytes) == c.bytes.size());
    file.close();
    Corvel control;
    control.LoadFile(path);
    control.Colorize(0, 0);
    control.SaveFile(path);
    EXPECT_EQ(contents(), c.bytes);
    control.setSelText(QStringLiteral("\u4e2d"));
    control.SaveFile(path);
    EXPECT_EQ(contents(), c.edited) << c.bytes.toStdString();
  }
}

TEST(FileServices, AFileThatIsNotTextIsRefused) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("logo.gif"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray("GIF89a\0\x01\xff", 9)) == 9);
  file.close();
  Corvel control;
  control.setText(QStringLiteral("kept"));
  try {
    control.LoadFile(path);
    ADD_FAILURE() << "loaded";
  } catch (const CorvelError& e) {
    EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("not a text file"))) << e.what();
  }
  EXPECT_EQ(control.Text(), QStringLiteral("kept"));
}

TEST(TabServices, TabStopsOfTheSelection) {
  Corvel control;
  control.setText(QStringLiteral("a\tb\nc"));
  EXPECT_EQ(control.SelTabCount().toInt(), 0);
  control.setSelTabCount(3);
  control.setSelTabs(1, 100.5);
  EXPECT_EQ(control.SelTabCount().toInt(), 3);
  EXPECT_DOUBLE_EQ(control.SelTabs(1).toDouble(), 100.5);
  EXPECT_THROW(control.SelTabs(3), CorvelError);
  control.setSelStart(4);  // the other paragraph has its own stops
  EXPECT_EQ(control.SelTabCount().toInt(), 0);
}

}  // namespace
