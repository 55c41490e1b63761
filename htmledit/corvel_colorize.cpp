// The marking pass: the scan of colorize.h applied to the inner box.
#include <QProgressBar>
#include <QTextCursor>
#include <QTextEdit>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "corvel.h"
#include "htprgbar.h"

namespace {

// Collects the scan's marks as the look each character ends with (a later mark wins), drives the
// progress display, and then marks the box once per run of bold or italic characters: runs that
// end plain already are, after the pass's reset, so most marks never touch the box.
class BoxSink final : public colorize::Sink {
 public:
  BoxSink(int first, int end, int last, QProgressBar* bar, HtPrgBar* slim)
      : first_(first), last_(last), bar_(bar), slim_(slim), looks_(std::max(end - first + 1, 0), 0) {}

  void mark(int first, int last, colorize::Look look) override {
    const int from = std::max(first, first_) - first_;
    const int to = std::min(last - first_ + 1, int(looks_.size()));
    std::fill(looks_.begin() + std::min(from, to), looks_.begin() + to,
              std::uint8_t(1 + (look.bold ? 1 : 0) + (look.italic ? 2 : 0)));
  }

  void position(int p) override {
    if (!bar_ && !slim_) return;
    const int percentage = progress_.rise(p, last_);
    if (percentage < 0) return;
    if (bar_) bar_->setValue(percentage);
    if (slim_) slim_->setPercent(percentage);
  }

  void apply(QTextCursor& cursor) const {
    QTextCharFormat formats[5];
    for (int i = 1; i < 5; ++i) {
      formats[i].setFontWeight((i - 1) & 1 ? QFont::Bold : QFont::Normal);
      formats[i].setFontItalic((i - 1) & 2);
    }
    const int size = int(looks_.size());
    for (int i = 0; i < size;) {
      int j = i + 1;
      while (j < size && looks_[j] == looks_[i] && (first_ + j > last_) == (first_ + i > last_)) ++j;
      // Past the reset (an entity that runs over the end) a plain mark counts too.
      if (looks_[i] > 1 || (looks_[i] == 1 && first_ + i > last_)) {
        cursor.setPosition(first_ - 1 + i);
        cursor.setPosition(first_ - 1 + j, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(formats[looks_[i]]);
      }
      i = j;
    }
  }

 private:
  const int first_;
  const int last_;
  QProgressBar* bar_;
  HtPrgBar* slim_;
  colorize::Progress progress_;
  std::vector<std::uint8_t> looks_;  // per character from first_: 0 unmarked, else 1 + bold 1 + italic 2
};

constexpr int kDeferredLayout = 200000;

}  // namespace

void Corvel::Colorize(int lngStartPos, int lngEndPos) {
  const QString text = Text();
  const int length = int(text.size());
  // Positions outside the text are taken back to it.
  const int first = lngStartPos <= 0 ? 1 : lngStartPos;
  const int last = lngEndPos == 0 || lngEndPos > length ? length : std::max(lngEndPos, 0);

  QTextCursor cursor(rtfHTML_->document());
  {
    // Whatever happens from here on, the flag is cleared, the editing block closed, the
    // selection put back and drawing released.
    struct Pass {
      Corvel& self;
      QTextCursor& cursor;
      const QTextCursor saved;
      bool frozen = false;
      QSizeF deferredPage = QSizeF();
      ~Pass() {
        cursor.endEditBlock();
        if (deferredPage.isValid()) cursor.document()->setPageSize(deferredPage);
        self.rtfHTML_->setTextCursor(saved);
        self.busy_ = false;
        if (frozen) self.rtfHTML_->setUpdatesEnabled(true);
      }
    } pass{*this, cursor, rtfHTML_->textCursor()};
    busy_ = true;
    if (silent_) {
      rtfHTML_->setUpdatesEnabled(false);
      pass.frozen = true;
    }
    // A long pass leaves the layout to the box's own step-by-step relayout, as after loading a
    // file; the end of the edit block would otherwise lay out everything it marked at once.
    if (last - first >= kDeferredLayout) {
      pass.deferredPage = rtfHTML_->document()->pageSize();
      rtfHTML_->document()->setPageSize(QSizeF());
    }
    cursor.beginEditBlock();  // one undo step, one relayout

    if (first <= last) {
      const QFont base = rtfHTML_->font();
      QTextCharFormat reset;
      reset.setFontFamilies(base.families());
      reset.setFontPointSize(base.pointSizeF() > 0 ? base.pointSizeF() : 10);
      reset.setFontWeight(base.weight());
      reset.setFontItalic(base.italic());
      reset.setForeground(rtfHTML_->palette().color(QPalette::Text));
      cursor.setPosition(std::min(first - 1, length));
      cursor.setPosition(last, QTextCursor::KeepAnchor);
      cursor.mergeCharFormat(reset);
    }

    auto* bar = qobject_cast<QProgressBar*>(progressBar_.data());
    auto* slim = bar ? nullptr : qobject_cast<HtPrgBar*>(progressBar_.data());
    if (bar) {
      bar->setMinimum(0);
      bar->setMaximum(100);
      bar->setValue(0);
    } else if (slim) {
      slim->setPercent(0);
    }

    // An entity found near the end may reach up to 8 characters past it.
    BoxSink sink(first, std::min(length, last + 8), last, bar, slim);
    colorize::scan(text, first, last, looks_, sink);
    sink.apply(cursor);
  }
  changed_ = false;
}
