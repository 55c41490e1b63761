// On random HTML-like texts the pass marks exactly what a plain reading of its rules marks.
#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <vector>

#include "colorize.h"
#include "corvel.h"
#include "marks.h"

namespace {

using colorize::Look;
using colorize::Looks;

// The rules read out loud, one position at a time, with no care for speed: which look each
// character ends with (a later mark over an earlier one), or none.
std::vector<int> PlainReading(const QString& text, int start, int end, const Looks& looks) {
  std::vector<int> look(text.size(), -1);
  auto mark = [&](int a, int b, Look l) {
    for (int k = a; k <= b; ++k) look[k - 1] = (l.bold ? 1 : 0) + (l.italic ? 2 : 0);
  };
  auto chars = [&](int p, int n) { return p >= 1 ? text.mid(p - 1, n) : QString(); };
  auto c = [&](int p) { return chars(p, 1); };
  QString state = QStringLiteral("text");
  int tagStart = 0, attrStart = 0, valueStart = 0;
  bool quoted = false, bang = false, style = false, script = false;
  auto afterTag = [&] {
    state = QStringLiteral("text");
    if (style || script) state = style ? QStringLiteral("style") : QStringLiteral("script");
  };
  for (int p = start; p <= end; ++p) {
    if (state == u"text") {
      if (chars(p, 4) == u"<!--") {
        state = QStringLiteral("comment");
        tagStart = p;
      } else if (c(p) == u"<") {
        state = QStringLiteral("tag");
        tagStart = p;
        bang = c(p + 1) == u"!";
        style = chars(p + 1, 5).toUpper() == u"STYLE";
        script = chars(p + 1, 6).toUpper() == u"SCRIPT";
      }
    } else if (state == u"tag") {
      if (c(p) == u">") {
        afterTag();
      } else if (c(p) == u" " && !bang) {
        state = QStringLiteral("name");
        attrStart = p;
        if (tagStart != -1) mark(tagStart + 1, p - 1, looks.tag);
      }
    } else if (state == u"name") {
      if (c(p) == u"=") {
        state = QStringLiteral("value");
        mark(attrStart + 1, p - 1, looks.propName);
        valueStart = p;
        quoted = c(p + 1) == u"\"";
      } else if (c(p) == u" ") {
        state = QStringLiteral("tag");
        mark(attrStart + 1, p - 1, looks.propVal);
        p = p - 1;
        tagStart = -1;
      } else if (c(p) == u">") {
        mark(attrStart + 1, p - 1, looks.propVal);
        tagStart = -1;
        afterTag();
      }
    } else if (state == u"value") {
      const int q = quoted ? 1 : 0;
      if (c(p + q) == u" ") {
        if ((quoted && c(p) == u"\"") || (!quoted && c(p) != u"\"")) {
          state = QStringLiteral("tag");
          mark(valueStart + 1 + q, p - 1, looks.propVal);
          tagStart = -1;
          p = p - 1;
        }
      } else if (c(p + q) == u">") {
        mark(valueStart + 1 + q, p - 1, looks.propVal);
        afterTag();
      }
    } else if (state == u"comment") {
      if (chars(p, 3) == u"-->") {
        state = QStringLiteral("text");
        mark(tagStart + 4, p - 1, looks.comment);
      }
    } else if ((state == u"style" && chars(p, 6).toUpper() == u"/STYLE") ||
               (state == u"script" && chars(p, 7).toUpper() == u"/SCRIPT")) {
      state = QStringLiteral("tag");
      tagStart = p - 1;
      style = script = false;
    }
    if (c(p) == u"&") {
      for (int j = p + 1; j <= p + 8; ++j) {
        if (c(j) == u";") {
          mark(p, j, looks.entity);
          break;
        }
      }
    }
  }
  return look;
}

QString RandomHtml(QRandomGenerator& random) {
  static const QStringList kPieces{QStringLiteral("<"),      QStringLiteral(">"),
                                   QStringLiteral(" "),      QStringLiteral("="),
                                   QStringLiteral("\""),     QStringLiteral("!"),
                                   QStringLiteral("-"),      QStringLiteral("&"),
                                   QStringLiteral(";"),      QStringLiteral("a"),
                                   QStringLiteral("href"),   QStringLiteral("<!--"),
                                   QStringLiteral("-->"),    QStringLiteral("style"),
                                   QStringLiteral("SCRIPT"), QStringLiteral("/Script"),
                                   QStringLiteral("/style"), QStringLiteral("&amp;"),
                                   QStringLiteral("\n"),     QStringLiteral("<p class=\"x y\">"),
                                   QStringLiteral("x"),      QStringLiteral("<br>"),
                                   QStringLiteral("=\""),    QStringLiteral("\" ")};
  QString text;
  const int pieces = random.bounded(60);
  for (int i = 0; i < pieces; ++i) text += kPieces[random.bounded(int(kPieces.size()))];
  return text;
}

Looks RandomLooks(QRandomGenerator& random) {
  auto look = [&random] { return Look{random.bounded(2) == 1, random.bounded(2) == 1}; };
  return Looks{look(), look(), look(), look(), look()};
}

// The looks of a plain text after the reading, in MarksOf's letters.
QString Expected(const QString& text, const std::vector<int>& look) {
  QString out;
  for (qsizetype i = 0; i < text.size(); ++i)
    out += text[i] == u'\n' ? QChar(u'\n') : QChar(QStringLiteral(".biB")[look[i] < 0 ? 0 : look[i]]);
  return out;
}

class Collect final : public colorize::Sink {
 public:
  explicit Collect(qsizetype size) : look(size, -1) {}
  void mark(int first, int last, Look l) override {
    ASSERT_GE(first, 1);
    ASSERT_LE(last, int(look.size()));
    ASSERT_LE(first, last);
    for (int k = first; k <= last; ++k) look[k - 1] = (l.bold ? 1 : 0) + (l.italic ? 2 : 0);
  }
  std::vector<int> look;
};

TEST(ColorizeProperty, ScanMatchesThePlainReading) {
  QRandomGenerator random(20261209);
  for (int round = 0; round < 3000; ++round) {
    const QString text = RandomHtml(random);
    const int n = int(text.size());
    const int start = n ? 1 + random.bounded(n) : 1;
    const int end = n ? start + random.bounded(n - start + 1) : 0;
    const Looks looks = RandomLooks(random);
    Collect sink(n);
    colorize::scan(text, start, end, looks, sink);
    ASSERT_EQ(sink.look, PlainReading(text, start, end, looks))
        << text.toStdString() << " " << start << ".." << end;
  }
}

TEST(ColorizeProperty, ControlMarksMatchThePlainReading) {
  QRandomGenerator random(4711);
  Corvel control;
  for (int round = 0; round < 150; ++round) {
    const QString text = RandomHtml(random);
    const Looks looks = RandomLooks(random);
    control.setTagBold(looks.tag.bold);
    control.setTagItalic(looks.tag.italic);
    control.setPropNameBold(looks.propName.bold);
    control.setPropNameItalic(looks.propName.italic);
    control.setPropValBold(looks.propVal.bold);
    control.setPropValItalic(looks.propVal.italic);
    control.setCommentBold(looks.comment.bold);
    control.setCommentItalic(looks.comment.italic);
    control.setEntityBold(looks.entity.bold);
    control.setEntityItalic(looks.entity.italic);
    control.setText(text);
    control.Colorize(0, 0);
    ASSERT_EQ(MarksOf(control), Expected(text, PlainReading(text, 1, int(text.size()), looks)))
        << text.toStdString();
  }
}

}  // namespace
