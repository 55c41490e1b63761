#include "colorize.h"

#include <cmath>

namespace colorize {
namespace {

enum State : std::uint8_t {
  Text = 1,
  TagName = 2,
  PropName = 4,
  PropVal = 8,
  Comment = 16,
  StyleBlock = 32,
  ScriptBlock = 64
};

class Scanner {
 public:
  Scanner(const QString& text, const Looks& looks, Sink& sink) : text_(text), looks_(looks), sink_(sink) {}

  void run(int first, int last) {
    for (int p = first; p <= last; ++p) {
      stateStep(p);
      entityStep(p);
      sink_.position(p);
    }
  }

 private:
  // The character at 1-based position p; a null character outside the text.
  QChar c(int p) const { return p >= 1 && p <= text_.size() ? text_[p - 1] : QChar(); }

  // Whether the characters at p are word (upper-cased when upper is set).
  bool at(int p, QLatin1StringView word, bool upper = false) const {
    if (p < 1 || p - 1 + word.size() > text_.size()) return false;
    for (qsizetype i = 0; i < word.size(); ++i) {
      const QChar ch = text_[p - 1 + i];
      if ((upper ? ch.toUpper() : ch) != QLatin1Char(word[i])) return false;
    }
    return true;
  }

  void mark(int from, int to, Look look) {
    if (to >= from) sink_.mark(from, to, look);
  }

  // After a tag's ">": running text, or the body of the style or script block it opened.
  void closeTag() { state_ = style_ ? StyleBlock : script_ ? ScriptBlock : Text; }

  void stateStep(int& p) {
    switch (state_) {
      case Text:
        if (at(p, QLatin1StringView("<!--"))) {
          state_ = Comment;
          tagStart_ = p;
        } else if (c(p) == u'<') {
          state_ = TagName;
          tagStart_ = p;
          bang_ = c(p + 1) == u'!';
          style_ = at(p + 1, QLatin1StringView("STYLE"), true);
          script_ = at(p + 1, QLatin1StringView("SCRIPT"), true);
        }
        break;
      case TagName:
        if (c(p) == u'>') {
          closeTag();
        } else if (c(p) == u' ' && !bang_) {
          state_ = PropName;
          propStart_ = p;
          if (tagStart_ != -1) mark(tagStart_ + 1, p - 1, looks_.tag);
        }
        break;
      case PropName:
        if (c(p) == u'=') {
          state_ = PropVal;
          mark(propStart_ + 1, p - 1, looks_.propName);
          valStart_ = p;
          quoted_ = c(p + 1) == u'"';
        } else if (c(p) == u' ') {
          state_ = TagName;
          mark(propStart_ + 1, p - 1, looks_.propVal);
          --p;
          tagStart_ = -1;
        } else if (c(p) == u'>') {
          mark(propStart_ + 1, p - 1, looks_.propVal);
          tagStart_ = -1;
          closeTag();
        }
        break;
      case PropVal: {
        const int q = quoted_ ? 1 : 0;
        if (c(p + q) == u' ') {
          if ((quoted_ && c(p) == u'"') || (!quoted_ && c(p) != u'"')) {
            state_ = TagName;
            mark(valStart_ + 1 + q, p - 1, looks_.propVal);
            tagStart_ = -1;
            --p;
          }
        } else if (c(p + q) == u'>') {
          mark(valStart_ + 1 + q, p - 1, looks_.propVal);
          closeTag();
        }
        break;
      }
      case Comment:
        if (at(p, QLatin1StringView("-->"))) {
          state_ = Text;
          mark(tagStart_ + 4, p - 1, looks_.comment);
        }
        break;
      case StyleBlock:
      case ScriptBlock:
        if (at(p, state_ == StyleBlock ? QLatin1StringView("/STYLE") : QLatin1StringView("/SCRIPT"), true)) {
          state_ = TagName;
          tagStart_ = p - 1;
          style_ = script_ = false;
        }
        break;
    }
  }

  void entityStep(int p) {
    if (c(p) != u'&') return;
    for (int j = p + 1; j <= p + 8; ++j) {
      if (c(j) == u';') {
        mark(p, j, looks_.entity);
        return;
      }
    }
  }

  const QString& text_;
  const Looks& looks_;
  Sink& sink_;
  std::uint8_t state_ = Text;
  int tagStart_ = 0;
  int propStart_ = 0;
  int valStart_ = 0;
  bool quoted_ = false;
  bool bang_ = false;
  bool style_ = false;
  bool script_ = false;
};

}  // namespace

void scan(const QString& text, int first, int last, const Looks& looks, Sink& sink) {
  Scanner(text, looks, sink).run(first, last);
}

int percentage(int p, int last) {
  if (last <= 0) return 0;
  const double share = 1.0 / (double(last) / double(p)) * 100.0;
  const double rounded = std::nearbyint(share);  // the default rounding mode takes halves to even
  return rounded < 0 ? 0 : rounded > 255 ? 255 : int(rounded);
}

int Progress::rise(int p, int last) {
  const int percent = percentage(p, last);
  if (percent <= highest_) return -1;
  highest_ = percent;
  return percent;
}

}  // namespace colorize
