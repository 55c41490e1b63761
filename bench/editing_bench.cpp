// Typing in the HTML editor control on one long line, as minified pages come: how long a key
// press takes until the box has drawn it, and what the control costs while the caret sits there.
#include <benchmark/benchmark.h>

#include <QTest>
#include <QTextEdit>

#include <ctime>

#include "htmledit/corvel.h"
#include "qt_bench_main.h"

namespace {

QString OneLinePage(qsizetype chars) {
  QString line = QStringLiteral("<!DOCTYPE html><html><head><title>Zenders</title></head><body>");
  for (int i = 0; line.size() < chars; ++i)
    line += QStringLiteral(
                "<div class=\"z\" id=z%1><a href=\"http://radio%1.example.nl/\" target=_blank>Radio %1</a> "
                "&amp; m&uuml;ziek<!-- %1 --></div>")
                .arg(i);
  return line + QStringLiteral("</body></html>");
}

double CpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// A shown, focused editor holding one line of `chars` characters (colorized when asked), the
// caret in the middle of it.
class Editor {
 public:
  Editor(qsizetype chars, bool colorized) {
    control.resize(900, 600);
    control.show();
    control.activateWindow();
    control.box()->setFocus();
    control.setText(OneLinePage(chars));
    if (colorized) control.Colorize(0, 0);
    control.setSelStart(int(chars / 2));
    Settle();
  }
  // Until everything the last input caused is done and drawn.
  void Settle() { QCoreApplication::processEvents(); }
  Corvel control;
};

void BM_KeyPressOnLongLine(benchmark::State& state) {
  Editor editor(state.range(0), state.range(1) != 0);
  for (auto _ : state) {
    QTest::keyClick(editor.control.box(), Qt::Key_X);
    editor.Settle();
  }
  state.counters["focused"] = editor.control.box()->hasFocus() ? 1 : 0;
}

// CPU used while nobody types, the caret in the long line (one core = 100).
void BM_IdleOnLongLine(benchmark::State& state) {
  Editor editor(state.range(0), state.range(1) != 0);
  double percent = 0;
  for (auto _ : state) {
    const double before = CpuSeconds();
    QTest::qWait(3000);
    percent = (CpuSeconds() - before) / 3.0 * 100.0;
  }
  state.counters["cpu_percent"] = percent;
  state.counters["focused"] = editor.control.box()->hasFocus() ? 1 : 0;
}

constexpr int64_t kMiB = 1024 * 1024;

// Arguments: line length, colorized (1) or plain (0).
BENCHMARK(BM_KeyPressOnLongLine)
    ->ArgsProduct({{kMiB, 5 * kMiB}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK(BM_IdleOnLongLine)->Args({kMiB, 1})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
