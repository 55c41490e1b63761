#pragma once

#include <QString>

#include <cstdint>

// The HTML marking scan, apart from any widget: it reads a text and reports which ranges get
// which bold/italic look. Positions are 1-based and ranges inclusive.
namespace colorize {

struct Look {
  bool bold = false;
  bool italic = false;
  bool operator==(const Look&) const = default;
};

// The look of each marked class; the defaults are the control's defaults.
struct Looks {
  Look tag{true, false};
  Look propName{false, false};
  Look propVal{false, false};
  Look comment{false, true};
  Look entity{false, false};
};

// Receives the marks in scan order (a later mark wins over an earlier one on the same
// characters) and every scanned position, for the progress display.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void mark(int first, int last, Look look) = 0;
  virtual void position(int p) { (void)p; }
};

// Scans positions first..last of text (already clamped to it) from the text state on.
// Ranges that would be empty are not reported.
void scan(const QString& text, int first, int last, const Looks& looks, Sink& sink);

// The progress shown at position p of a pass that ends at last: p / last as a whole
// percentage, halves rounded to even.
int percentage(int p, int last);

// Follows the percentage over a pass so the display is touched only when it rises.
class Progress {
 public:
  // The new percentage when it is higher than the last one shown, else -1.
  int rise(int p, int last);

 private:
  int highest_ = 0;
};

}  // namespace colorize
