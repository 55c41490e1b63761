// The control's shell: text, properties, events by reference, stored settings, RTF.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "app/ini.h"
#include "corvel.h"
#include "marks.h"
#include "propertybag.h"

namespace {

TEST(CorvelShell, LongMultiLineTextComesBackWhole) {
  Corvel control;
  QSignalSpy changes(&control, &Corvel::Change);
  QString text;
  for (int i = 0; i < 5000; ++i)
    text += QStringLiteral("<naam>Station %1 &auml; \"ä\"</naam>\t<url>x</url>\n").arg(i);
  control.setText(text);
  EXPECT_EQ(control.Text(), text);
  EXPECT_GT(text.size(), 200000);
  const QString marks = MarksOf(control);
  EXPECT_FALSE(marks.contains(u'b') || marks.contains(u'i') || marks.contains(u'B'))
      << "nothing is emphasised";
  EXPECT_GE(changes.count(), 1);
  control.setText(QStringLiteral("a\r\nb"));
  EXPECT_EQ(control.Text(), QStringLiteral("a\nb"));  // the box keeps one kind of line break
}

TEST(CorvelShell, AssignedTextIsPlainOneChangeAndComesBackAsItWas) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("second.html"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("abc") == 3);
  file.close();
  for (const bool load : {false, true}) {
    Corvel control;
    control.setText(QStringLiteral("<b class=x>y</b>"));
    control.Colorize(0, 0);
    control.setSelStart(2);  // just after the bold tag name
    QSignalSpy changes(&control, &Corvel::Change);
    load ? control.LoadFile(path) : control.setText(QStringLiteral("abc"));
    EXPECT_EQ(MarksOf(control), QStringLiteral("...")) << load;
    EXPECT_EQ(changes.count(), 1) << load;
  }
  Corvel control;
  const QString odd = QStringLiteral("a\u00a0b\u2028c\nd");
  control.setText(odd);
  EXPECT_EQ(control.Text(), odd);
}

TEST(CorvelShell, KeyCodesNameTheKeyNotTheCharacter) {
  Corvel control;
  QList<short> codes;
  QObject::connect(&control, &Corvel::KeyDown, [&](short& keyCode, short&) { codes << keyCode; });
  QTest::keyClicks(control.box(), QStringLiteral("%&'(.-$a"));
  EXPECT_EQ(codes, (QList<short>{'5', '7', 222, '9', 190, 189, '4', 'A'}));
  EXPECT_EQ(control.Text(), QStringLiteral("%&'(.-$a"));
}

TEST(CorvelShell, MaxLengthHoldsForPaste) {  // a drop inserts the same way
  Corvel control;
  control.setMaxLength(6);
  control.setText(QStringLiteral("abc"));
  control.setSelStart(3);
  QGuiApplication::clipboard()->setText(QStringLiteral("1234"));
  control.box()->paste();
  EXPECT_EQ(control.Text(), QStringLiteral("abc123"));
  control.setSelStart(0);
  control.setSelLength(2);  // what a paste replaces makes room
  control.box()->paste();
  EXPECT_EQ(control.Text(), QStringLiteral("12c123"));
}

TEST(CorvelShell, EntitiesRefusesValuesOutsideItsBits) {
  Corvel control;
  EXPECT_EQ(control.Entities(), 62);
  for (int bad : {64, -1}) {
    try {
      control.setEntities(bad);
      ADD_FAILURE() << bad << " accepted";
    } catch (const CorvelError& e) {
      EXPECT_EQ(e.number(), 5);
    }
    EXPECT_EQ(control.Entities(), 62);
  }
  control.setEntities(0);
  EXPECT_EQ(control.Entities(), 0);
  control.setEntities(63);
  EXPECT_EQ(control.Entities(), 63);
}

TEST(CorvelShell, HandleIsTheInnerBoxsAndTheBoxFillsTheControl) {
  Corvel control;
  control.show();
  control.resize(300, 120);
  EXPECT_EQ(control.box()->geometry(), QRect(0, 0, 300, 120));
  EXPECT_EQ(control.hwnd(), std::int32_t(control.box()->winId()));
  EXPECT_NE(control.hwnd(), std::int32_t(control.winId()));
  control.setEnabled(false);
  EXPECT_FALSE(control.box()->isEnabled());
}

TEST(CorvelShell, HostChangesWhatTheBoxDoesWithAKey) {
  Corvel control;
  QObject::connect(&control, &Corvel::KeyDown, [](short& keyCode, short&) {
    if (keyCode == 'X') keyCode = 0;
  });
  QObject::connect(&control, &Corvel::KeyPress, [](short& keyAscii) {
    if (keyAscii == 'a') keyAscii = 'b';
  });
  QTest::keyClicks(control.box(), QStringLiteral("xa"));
  EXPECT_EQ(control.Text(), QStringLiteral("b"));
  control.setMaxLength(3);
  QTest::keyClicks(control.box(), QStringLiteral("cdef"));
  EXPECT_EQ(control.Text(), QStringLiteral("bcd"));
}

TEST(CorvelShell, MouseEventsArePassedOn) {
  Corvel control;
  control.resize(200, 100);
  QStringList seen;
  QObject::connect(&control, &Corvel::MouseDown,
                   [&](short& b, short&, float&, float&) { seen << QStringLiteral("down%1").arg(b); });
  QObject::connect(&control, &Corvel::MouseUp,
                   [&](short& b, short&, float&, float&) { seen << QStringLiteral("up%1").arg(b); });
  QObject::connect(&control, &Corvel::Click, [&] { seen << QStringLiteral("click"); });
  QObject::connect(&control, &Corvel::DblClick, [&] { seen << QStringLiteral("dbl"); });
  QTest::mouseClick(control.box()->viewport(), Qt::RightButton, {}, QPoint(10, 10));
  QTest::mouseDClick(control.box()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(seen.mid(0, 3),
            (QStringList{QStringLiteral("down2"), QStringLiteral("up2"), QStringLiteral("click")}));
  EXPECT_TRUE(seen.contains(QStringLiteral("dbl")));
}

TEST(CorvelRtf, BoldAndItalicRunsRoundTrip) {
  Corvel source;
  source.setText(QStringLiteral("<b class=x>{ä} \\ &amp;\n<!-- c -->"));
  source.setEntityItalic(true);
  source.Colorize(0, 0);
  const QString rtfText = source.TextRTF();
  EXPECT_TRUE(rtfText.startsWith(QStringLiteral("{\\rtf1")));
  Corvel copy;
  QSignalSpy changes(&copy, &Corvel::Change);
  copy.setTextRTF(rtfText);
  EXPECT_EQ(copy.Text(), source.Text());
  EXPECT_EQ(MarksOf(copy), MarksOf(source));
  EXPECT_GE(changes.count(), 1);

  copy.setTextRTF(
      QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\*\\generator x;}a\\b b\\b0 "
                     "\\'e4\\u8364?\\par\\i c}"));
  EXPECT_EQ(copy.Text(), QStringLiteral("ab\u00e4\u20ac\nc"));
  EXPECT_EQ(MarksOf(copy), QStringLiteral(".b..\ni"));
  copy.setTextRTF(QStringLiteral("plain {text}"));
  EXPECT_EQ(copy.Text(), QStringLiteral("plain {text}"));
}

const QStringList kStoredOrder{
    "AutoColorize", "AutoVerbMenu",  "BackColor",      "CommentBold",  "CommentItalic",
    "Enabled",      "Entities",      "EntityBold",     "EntityItalic", "FileName",
    "Font",         "HideSelection", "Locked",         "MaxLength",    "MouseIcon",
    "MousePointer", "PropNameBold",  "PropNameItalic", "PropValBold",  "PropValItalic",
    "Silent",       "RightMargin",   "TagBold",        "TagItalic",    "Text"};

class RecordingBag final : public PropertyBag {
 public:
  QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override {
    read << name;
    return defaultValue;
  }
  void WriteProperty(const QString& name, const QVariant&, const QVariant&) override { written << name; }
  mutable QStringList read;
  QStringList written;
};

TEST(CorvelStore, KeysGoInTheirOrder) {
  Corvel control;
  RecordingBag bag;
  control.ReadProperties(bag);
  control.WriteProperties(bag);
  EXPECT_EQ(bag.read, kStoredOrder);
  EXPECT_EQ(bag.written, kStoredOrder);
}

TEST(CorvelStore, EveryKeyRoundTripsAndDefaultsAreNotWritten) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("Form1.ini"));
  const QString section = QStringLiteral("DownloadInfo");
  {
    Corvel fresh;
    IniPropertyBag bag(file, section);
    fresh.WriteProperties(bag);
    EXPECT_FALSE(QFile::exists(file)) << "a control at its defaults writes nothing";
  }
  Corvel control;
  control.setAutoColorize(false);
  control.setAutoVerbMenu(true);
  control.setBackColor(0x00336699);
  control.setCommentBold(true);
  control.setCommentItalic(false);
  control.setEnabled(false);
  control.setEntities(5);
  control.setEntityBold(true);
  control.setEntityItalic(true);
  control.setFileName(QStringLiteral("/tmp/a b.html"));
  QFont font(QStringLiteral("Monospace"), 15);
  control.setBoxFont(font);
  control.setHideSelection(true);
  control.setLocked(true);
  control.setMaxLength(70000);
  QPixmap icon(8, 8);
  icon.fill(Qt::red);
  control.setMouseIcon(icon);
  control.setMousePointer(99);
  control.setPropNameBold(true);
  control.setPropNameItalic(true);
  control.setPropValBold(true);
  control.setPropValItalic(true);
  control.setSilent(false);
  control.setRightMargin(420);
  control.setTagBold(false);
  control.setTagItalic(true);
  const QString text = QStringLiteral(" \"lead\" and\ntwo lines\\n, a tab\t and a trailing blank ");
  control.setText(text);
  IniPropertyBag bag(file, section);
  control.WriteProperties(bag);

  Corvel copy;
  copy.ReadProperties(bag);
  EXPECT_FALSE(copy.AutoColorize());
  EXPECT_TRUE(copy.AutoVerbMenu());
  EXPECT_EQ(copy.backColor(), 0x00336699u);
  EXPECT_TRUE(copy.CommentBold());
  EXPECT_FALSE(copy.CommentItalic());
  EXPECT_FALSE(copy.Enabled());
  EXPECT_EQ(copy.Entities(), 5);
  EXPECT_TRUE(copy.EntityBold() && copy.EntityItalic());
  EXPECT_EQ(copy.FileName(), QStringLiteral("/tmp/a b.html"));
  EXPECT_EQ(copy.boxFont().family(), font.family());
  EXPECT_EQ(copy.boxFont().pointSize(), 15);
  EXPECT_TRUE(copy.HideSelection());
  EXPECT_TRUE(copy.Locked());
  EXPECT_EQ(copy.MaxLength(), 70000);
  EXPECT_EQ(copy.MouseIcon().toImage().pixelColor(3, 3), QColor(Qt::red));
  EXPECT_EQ(copy.MousePointer(), 99);
  EXPECT_TRUE(copy.PropNameBold() && copy.PropNameItalic() && copy.PropValBold() && copy.PropValItalic());
  EXPECT_FALSE(copy.Silent());
  EXPECT_FLOAT_EQ(copy.RightMargin(), 420);
  EXPECT_FALSE(copy.TagBold());
  EXPECT_TRUE(copy.TagItalic());
  EXPECT_EQ(copy.Text(), text);

  // Back at its defaults: the earlier values do not come back.
  Corvel defaults;
  defaults.WriteProperties(bag);
  Corvel reread;
  reread.setTagBold(false);
  reread.ReadProperties(bag);
  EXPECT_TRUE(reread.TagBold());
  EXPECT_TRUE(reread.Text().isEmpty());
  EXPECT_EQ(reread.backColor(), Corvel::kSystemWindowBackground);
  EXPECT_EQ(INI::ReadIni(file, section, QStringLiteral("Text")), QString());
}

TEST(CorvelStore, PropertySettersTellTheHost) {
  Corvel control;
  QStringList names;
  QObject::connect(&control, &Corvel::PropertyChanged, [&names](const QString& n) { names << n; });
  control.setText(QStringLiteral("x"));
  control.setTextRTF(QStringLiteral("y"));
  control.setAutoColorize(false);
  control.setEntities(1);
  control.setTagBold(false);
  EXPECT_EQ(names, (QStringList{"Text", "TextRTF", "TextRTF", "Text", "TagBold"}));
}

}  // namespace
