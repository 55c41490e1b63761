// The marking pass: the scan of colorize.h applied to the inner box.
#include <QProgressBar>
#include <QTextCursor>
#include <QTextEdit>

#include "corvel.h"
#include "htprgbar.h"

namespace {

// Applies the scan's marks to the box's document through one cursor and drives the progress display.
class BoxSink final : public colorize::Sink {
 public:
  BoxSink(QTextCursor& cursor, int last, QProgressBar* bar, HtPrgBar* slim)
      : cursor_(cursor), end_(cursor.document()->characterCount() - 1), last_(last), bar_(bar), slim_(slim) {
    for (int i = 0; i < 4; ++i) {
      formats_[i].setFontWeight(i & 1 ? QFont::Bold : QFont::Normal);
      formats_[i].setFontItalic(i & 2);
    }
  }

  void mark(int first, int last, colorize::Look look) override {
    cursor_.setPosition(std::min(first - 1, end_));
    cursor_.setPosition(std::min(last, end_), QTextCursor::KeepAnchor);
    cursor_.mergeCharFormat(formats_[(look.bold ? 1 : 0) | (look.italic ? 2 : 0)]);
  }

  void position(int p) override {
    if (!bar_ && !slim_) return;
    const int percentage = progress_.rise(p, last_);
    if (percentage < 0) return;
    if (bar_) bar_->setValue(percentage);
    if (slim_) slim_->setPercent(percentage);
  }

 private:
  QTextCursor& cursor_;
  const int end_;
  const int last_;
  QProgressBar* bar_;
  HtPrgBar* slim_;
  colorize::Progress progress_;
  QTextCharFormat formats_[4];
};

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
      ~Pass() {
        cursor.endEditBlock();
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

    BoxSink sink(cursor, last, bar, slim);
    colorize::scan(text, first, last, looks_, sink);
  }
  changed_ = false;
}
