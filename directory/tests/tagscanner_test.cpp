#include "directory/tagscanner.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <stdexcept>

namespace {

const QStringList kStation = {QStringLiteral("naam"), QStringLiteral("url"), QStringLiteral("homepage")};

QStringList Names(const QString& text) { return scanTags(text, {QStringLiteral("naam")}).at(0); }

// The rules read word for word: positions from 1, upper-cased slices, a closing search from
// the opening tag's own position, one step forward at a time. Quadratic and proud of it.
QList<QStringList> LiteralScan(const QString& t, const QStringList& names) {
  const auto up = [](QString s) {
    for (QChar& c : s) c = c.toUpper();
    return s;
  };
  const qsizetype n = t.size();
  QList<QStringList> lists(names.size());
  for (qsizetype i = 1; i <= n; ++i) {
    for (qsizetype k = 0; k < names.size(); ++k) {
      const qsizetype L = names[k].size();
      if (up(t.mid(i - 1, L + 2)) != up(u'<' + names[k] + u'>')) continue;
      const qsizetype s = i + L + 2;
      bool closed = false;
      for (qsizetype j = i; j <= n - L - 2; ++j) {
        if (up(t.mid(j - 1, L + 3)) == up(QStringLiteral("</") + names[k] + u'>')) {
          if (j < s) ADD_FAILURE() << "closing tag inside the opening tag";
          lists[k].append(t.mid(s - 1, j - s));
          closed = true;
          break;
        }
      }
      if (closed) break;
    }
  }
  return lists;
}

QString Station(const QString& name, const QString& url, const QString& home) {
  QString s =
      QStringLiteral("<naam>") + name + QStringLiteral("</naam><url>") + url + QStringLiteral("</url>");
  if (!home.isNull()) s += QStringLiteral("<homepage>") + home + QStringLiteral("</homepage>");
  return s + u'\n';
}

TEST(TagScanner, TagsMatchInAnyCaseAndContentKeepsItsOwn) {
  EXPECT_EQ(Names(QStringLiteral("<NAAM>Radio Één</naam>")), QStringList{u"Radio Één"_qs});
  EXPECT_EQ(Names(QStringLiteral("<nAaM>MiXeD</NaAm>")), QStringList{u"MiXeD"_qs});
  // Upper case outside ASCII: dotless i and long s become I and S.
  EXPECT_EQ(scanTags(u"<LıJſT>x</lijst>"_qs, {u"lijst"_qs}).at(0), QStringList{u"x"_qs});
  // The Kelvin sign only looks like a K; its upper case is itself.
  EXPECT_TRUE(scanTags(u"<\u212Aop>x</kop>"_qs, {u"kop"_qs}).at(0).isEmpty());
}

TEST(TagScanner, EmptyUnclosedAndMisplacedElements) {
  EXPECT_EQ(Names(u"<naam></naam>"_qs), QStringList{QString()});
  EXPECT_TRUE(Names(u"<naam>no end"_qs).isEmpty());
  EXPECT_TRUE(Names(u"</naam>before<naam>after"_qs).isEmpty());
  EXPECT_TRUE(Names(u"<naam >x</naam>< naam>y</naam><naam>z</ naam>"_qs).isEmpty());
  EXPECT_TRUE(Names(u"<naa"_qs).isEmpty());
  EXPECT_TRUE(Names(u"<"_qs).isEmpty());
  EXPECT_TRUE(Names(QString()).isEmpty());
}

TEST(TagScanner, ElementsComeInOrderAndContentsAsTheyStand) {
  EXPECT_EQ(Names(u"<naam>Eerste</naam>tussen<naam>Tweede</naam>"_qs),
            (QStringList{u"Eerste"_qs, u"Tweede"_qs}));
  EXPECT_EQ(Names(u"<naam>  a &amp; b\r\n</naam>"_qs), QStringList{u"  a &amp; b\r\n"_qs});
}

TEST(TagScanner, MissingHomepageShiftsThePairing) {
  const QString text = Station(u"Een"_qs, u"http://een/"_qs, u"een.nl"_qs) +
                       Station(u"Twee"_qs, u"http://twee/"_qs, QString()) +
                       Station(u"Drie"_qs, u"http://drie/"_qs, u"drie.nl"_qs);
  const QList<QStringList> lists = scanTags(text, kStation);
  ASSERT_EQ(lists.size(), 3);
  EXPECT_EQ(lists[0], (QStringList{u"Een"_qs, u"Twee"_qs, u"Drie"_qs}));
  EXPECT_EQ(lists[1], (QStringList{u"http://een/"_qs, u"http://twee/"_qs, u"http://drie/"_qs}));
  EXPECT_EQ(lists[2], (QStringList{u"een.nl"_qs, u"drie.nl"_qs}));
}

TEST(TagScanner, NestedElementsAreFoundAndTheOuterKeepsTheInnerTags) {
  const QList<QStringList> lists = scanTags(u"<naam>buiten <url>binnen</url> rest</naam>"_qs, kStation);
  EXPECT_EQ(lists[0], QStringList{u"buiten <url>binnen</url> rest"_qs});
  EXPECT_EQ(lists[1], QStringList{u"binnen"_qs});
  // An unclosed opening reaches to the next closing, which later openings share.
  EXPECT_EQ(Names(u"<naam>a<naam>b</naam>"_qs), (QStringList{u"a<naam>b"_qs, u"b"_qs}));
}

TEST(TagScanner, FirstNameInOrderTakesAPosition) {
  // Both names spell the same tag: the first one gets every element.
  const QList<QStringList> lists = scanTags(u"<naam>x</NAAM>"_qs, {u"naam"_qs, u"NAAM"_qs});
  EXPECT_EQ(lists[0], QStringList{u"x"_qs});
  EXPECT_TRUE(lists[1].isEmpty());
}

TEST(TagScanner, LongListsHaveNoLengthLimit) {
  QString text;
  for (int i = 0; i < 2000; ++i)
    text += Station(QStringLiteral("Zender %1").arg(i), QStringLiteral("http://s/%1").arg(i),
                    QStringLiteral("s%1.nl").arg(i));
  ASSERT_GT(text.size(), 100'000);
  const QList<QStringList> lists = scanTags(text, kStation);
  ASSERT_EQ(lists[0].size(), 2000);
  EXPECT_EQ(lists[0].last(), u"Zender 1999"_qs);
  EXPECT_EQ(lists[1].size(), 2000);
  EXPECT_EQ(lists[2].last(), u"s1999.nl"_qs);
}

TEST(TagScanner, NamesWithTagCharactersAreRefused) {
  EXPECT_THROW(scanTags(u"x"_qs, {u"a>b"_qs}), std::invalid_argument);
  EXPECT_THROW(scanTags(u"x"_qs, {u"/a"_qs}), std::invalid_argument);
}

// Random texts of tag fragments, cases and odd characters: the scanner must give exactly
// what the literal rules give.
TEST(TagScanner, AgreesWithTheLiteralRules) {
  const QList<QStringList> nameSets = {
      kStation,
      {u"naam"_qs, u"bestand"_qs},
      {u"lijst"_qs, u"li"_qs, u"is"_qs},
      {u"naam"_qs, u"Naam"_qs, u"a"_qs},
      {QString(), u"x"_qs},
  };
  const QStringList odd = {u"ı"_qs, u"ſ"_qs,  u"\u212A"_qs, u"ß"_qs,   u"é"_qs, u"😀"_qs,
                           u" "_qs, u"\n"_qs, u"<"_qs,      u">"_qs,   u"/"_qs, u"</"_qs,
                           u"x"_qs, u"<<"_qs, u"&lt;"_qs,   u"\r\n"_qs};
  std::mt19937 random(20240611);
  const auto pick = [&](qsizetype size) {
    return qsizetype(std::uniform_int_distribution<qsizetype>(0, size - 1)(random));
  };
  const auto chance = [&](int percent) { return pick(100) < percent; };

  int found = 0;
  int overBudget = 0;
  for (int round = 0; round < 4000; ++round) {
    const QStringList& names = nameSets[pick(nameSets.size())];
    QString text;
    const qsizetype fragments = pick(40);
    for (qsizetype f = 0; f < fragments; ++f) {
      if (chance(35)) {
        text += odd[pick(odd.size())];
        continue;
      }
      QString name = names[pick(names.size())];
      if (chance(10) && !name.isEmpty()) name.chop(1);  // near miss
      for (QChar& c : name) {
        if (chance(40)) c = c.toUpper();
        if (c == u'i' && chance(30)) c = u'ı';
        if (c == u's' && chance(30)) c = u'ſ';
      }
      text += (chance(45) ? QStringLiteral("</") : QStringLiteral("<")) + name +
              (chance(95) ? QStringLiteral(">") : QString());
    }
    const QList<QStringList> expected = LiteralScan(text, names);
    qsizetype contents = 0;
    for (const QStringList& list : expected)
      for (const QString& s : list) contents += s.size();
    const auto trace = [&] {
      return "round " + std::to_string(round) + " names " + names.join(u',').toStdString() + " text " +
             text.toStdString();
    };
    if (contents > scanBudget(text.size())) {
      ++overBudget;
      EXPECT_THROW(scanTags(text, names), TagListTooLarge) << trace();
      continue;
    }
    ASSERT_EQ(scanTags(text, names), expected) << trace();
    for (const QStringList& list : expected) found += int(list.size());
  }
  // The generator must actually produce elements, or the comparison proves nothing.
  EXPECT_GT(found, 4000);
  // Over-budget texts are the rare nested ones; most rounds must still be compared.
  EXPECT_LT(overBudget, 400);
}

// Many openings and one closing: each opening would repeat the rest of the text.
TEST(TagScanner, QuadraticNestingFailsInsteadOfExhaustingMemory) {
  const QString nested = u"<naam>"_qs.repeated(10'000) + u"</naam>"_qs;
  EXPECT_THROW(scanTags(nested, kStation), TagListTooLarge);
  // A few nested openings stay within the bound and keep the literal result.
  const QString few = u"<naam><naam>x</naam>"_qs;
  EXPECT_EQ(scanTags(few, kStation).at(0), (QStringList{u"<naam>x"_qs, u"x"_qs}));
}

}  // namespace
