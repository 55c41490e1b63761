#include "rtf.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <vector>

#include "app/textdecoding.h"
#include "corvel.h"

namespace rtf {
namespace {

void appendEscaped(QString& out, const QString& text) {
  for (const QChar ch : text) {
    const char16_t u = ch.unicode();
    if (u == u'\\' || u == u'{' || u == u'}') {
      out += u'\\';
      out += ch;
    } else if (u == u'\t') {
      out += QLatin1StringView("\\tab ");
    } else if (u < 0x80) {
      out += ch;
    } else {
      out += QStringLiteral("\\u%1?").arg(int(qint16(u)));
    }
  }
}

bool isSkippedDestination(const QString& word) {
  static const QStringList kSkipped{QStringLiteral("fonttbl"),    QStringLiteral("colortbl"),
                                    QStringLiteral("stylesheet"), QStringLiteral("info"),
                                    QStringLiteral("pict"),       QStringLiteral("header"),
                                    QStringLiteral("footer"),     QStringLiteral("object"),
                                    QStringLiteral("footnote"),   QStringLiteral("generator")};
  return kSkipped.contains(word);
}

struct Group {
  bool bold = false;
  bool italic = false;
  bool skip = false;
  int uc = 1;
};

class Reader {
 public:
  Reader(const QString& text, QTextDocument& document) : in_(text), cursor_(&document) {}

  void run() {
    std::vector<Group> stack{Group{}};
    bool groupStart = false;
    qsizetype i = 0;
    while (i < in_.size()) {
      const QChar ch = in_[i];
      if (ch == u'{') {
        stack.push_back(stack.back());
        groupStart = true;
        ++i;
        continue;
      }
      if (ch == u'}') {
        if (stack.size() > 1) stack.pop_back();
        ++i;
        continue;
      }
      Group& g = stack.back();
      if (ch == u'\\') {
        i = controlAt(i + 1, g, groupStart);
      } else {
        if (ch != u'\r' && ch != u'\n' && !g.skip) put(ch, g);
        ++i;
      }
      groupStart = false;
    }
    flush();
  }

 private:
  // Reads the control after a backslash; returns where the text goes on.
  qsizetype controlAt(qsizetype i, Group& g, bool groupStart) {
    if (i >= in_.size()) return i;
    const QChar ch = in_[i];
    if (ch == u'\\' || ch == u'{' || ch == u'}') {
      if (!g.skip) put(ch, g);
      return i + 1;
    }
    if (ch == u'\'') {
      bool ok = false;
      const int byte = in_.mid(i + 1, 2).toInt(&ok, 16);
      if (ok && !g.skip) {
        const QString decoded = textdecoding::decodeWindows1252(QByteArray(1, char(byte)));
        if (!decoded.isEmpty()) put(decoded.at(0), g);
      }
      return i + 3;
    }
    if (ch == u'*') {
      g.skip = true;
      return i + 1;
    }
    if (!ch.isLetter()) {
      if (ch == u'~' && !g.skip) put(QChar(0xA0), g);
      return i + 1;
    }
    qsizetype j = i;
    while (j < in_.size() && in_[j].isLetter() && in_[j].unicode() < 0x80) ++j;
    const QString word = in_.mid(i, j - i);
    qsizetype k = j;
    if (k < in_.size() && (in_[k] == u'-' || in_[k].isDigit())) ++k;
    while (k < in_.size() && in_[k].isDigit()) ++k;
    const bool hasParam = k > j;
    const int param = hasParam ? in_.mid(j, k - j).toInt() : 1;
    if (k < in_.size() && in_[k] == u' ') ++k;
    word_(word, hasParam, param, g, groupStart);
    return k;
  }

  void word_(const QString& word, bool hasParam, int param, Group& g, bool groupStart) {
    if (groupStart && isSkippedDestination(word)) g.skip = true;
    if (g.skip) return;
    if (word == u"b")
      g.bold = !hasParam || param != 0;
    else if (word == u"i")
      g.italic = !hasParam || param != 0;
    else if (word == u"plain")
      g.bold = g.italic = false;
    else if (word == u"par" || word == u"line")
      put(u'\n', g);
    else if (word == u"tab")
      put(u'\t', g);
    else if (word == u"uc")
      g.uc = param;
    else if (word == u"u") {
      put(QChar(char16_t(param < 0 ? param + 65536 : param)), g);
      pendingSkip_ = g.uc;  // the plain stand-ins written for readers that do not know \u
    }
  }

  void put(QChar ch, const Group& g) {
    if (pendingSkip_ > 0) {
      --pendingSkip_;
      return;
    }
    if (g.bold != bold_ || g.italic != italic_) flush();
    bold_ = g.bold;
    italic_ = g.italic;
    text_ += ch;
  }

  void flush() {
    if (text_.isEmpty()) return;
    QTextCharFormat format;
    format.setFontWeight(bold_ ? QFont::Bold : QFont::Normal);
    format.setFontItalic(italic_);
    cursor_.insertText(text_, format);
    text_.clear();
  }

  const QString& in_;
  QTextCursor cursor_;
  QString text_;
  bool bold_ = false;
  bool italic_ = false;
  int pendingSkip_ = 0;
};

}  // namespace

QString write(const QTextDocument& document) {
  const QFont font = document.defaultFont();
  QString out = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil ");
  appendEscaped(out, font.family());
  out += QStringLiteral(";}}\n\\uc1\\pard\\f0\\fs%1 ")
             .arg(qRound((font.pointSizeF() > 0 ? font.pointSizeF() : 10) * 2));
  bool bold = false;
  bool italic = false;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) out += QLatin1StringView("\\par\n");
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const QTextCharFormat format = fragment.charFormat();
      const bool b = format.fontWeight() >= QFont::DemiBold;
      const bool i = format.fontItalic();
      if (b != bold) out += b ? QLatin1StringView("\\b ") : QLatin1StringView("\\b0 ");
      if (i != italic) out += i ? QLatin1StringView("\\i ") : QLatin1StringView("\\i0 ");
      bold = b;
      italic = i;
      appendEscaped(out, fragment.text());
    }
  }
  out += QLatin1StringView("\n}");
  return out;
}

void read(const QString& rtfText, QTextDocument& document) {
  document.clear();
  if (!rtfText.startsWith(QLatin1StringView("{\\rtf"))) {
    document.setPlainText(rtfText);
    return;
  }
  Reader(rtfText, document).run();
}

}  // namespace rtf

QString Corvel::TextRTF() const { return rtf::write(*rtfHTML_->document()); }

void Corvel::setTextRTF(const QString& strNewValue) {
  rtf::read(strNewValue, *rtfHTML_->document());
  markChanged("TextRTF", "Text");
}
