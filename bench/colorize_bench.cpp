// The HTML marking pass over generated pages: the scan alone, the whole pass on the control,
// and the floor: the same marks put on a bare text document with no scan at all.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <vector>

#include "htmledit/colorize.h"
#include "htmledit/corvel.h"
#include "qt_bench_main.h"

namespace {

// A page of at least `chars` characters the way pages look: a head with style and script,
// paragraphs with attributes, links, entities, comments and tables.
QString Page(qsizetype chars) {
  QString page = QStringLiteral(
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.01//EN\">\n<html lang=\"nl\">\n<head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\n<title>Zenders &amp; "
      "meer</title>\n"
      "<style type=\"text/css\">\nbody { font-family: Arial; margin: 0 }\n.rij td { padding: 2px "
      "}\n</style>\n"
      "<script type=\"text/javascript\">\nfunction zet(a, b) { if (a < b && b > 0) { return a; } "
      "}\n</script>\n"
      "</head>\n<body bgcolor=#ffffff onload=\"zet(1, 2)\">\n");
  for (int i = 0; page.size() < chars; ++i) {
    page += QStringLiteral("<!-- blok %1 -->\n").arg(i);
    page +=
        QStringLiteral("<div class=\"blok\" id=b%1>\n<h2 align=center>Zender %1 &ndash; m&uuml;ziek</h2>\n")
            .arg(i);
    page += QStringLiteral(
                "<p class=tekst style=\"color: #333\">Luister naar <a href=\"http://radio%1.example.nl/\" "
                "target=_blank>Radio %1</a> &amp; geniet van de beste hits.<br>\n")
                .arg(i);
    page += QStringLiteral("<img src=\"logo%1.gif\" width=88 height=31 alt=\"Logo\" border=0></p>\n").arg(i);
    page += QStringLiteral(
        "<table width=\"100%\" cellpadding=2><tr class=rij><td nowrap>Genre</td><td>Pop &gt; "
        "Rock</td></tr></table>\n");
    page += QStringLiteral("<input type=checkbox checked disabled> <b>Favoriet</b></div>\n");
  }
  return page + QStringLiteral("</body>\n</html>\n");
}

struct Mark {
  int first;
  int last;
  colorize::Look look;
};

class Counting final : public colorize::Sink {
 public:
  void mark(int, int, colorize::Look) override { ++marks; }
  void position(int p) override { last = p; }
  qint64 marks = 0;
  int last = 0;
};

class Recording final : public colorize::Sink {
 public:
  void mark(int first, int last, colorize::Look look) override { marks.push_back({first, last, look}); }
  std::vector<Mark> marks;
};

void BM_ColorizeScan(benchmark::State& state) {
  const QString page = Page(state.range(0));
  const colorize::Looks looks;
  qint64 marks = 0;
  for (auto _ : state) {
    Counting sink;
    colorize::scan(page, 1, int(page.size()), looks, sink);
    marks = sink.marks;
    benchmark::DoNotOptimize(sink.last);
  }
  state.counters["marks"] = double(marks);
  state.SetBytesProcessed(state.iterations() * page.size());
  state.SetComplexityN(page.size());
}

void BM_ColorizePass(benchmark::State& state) {
  const QString page = Page(state.range(0));
  Corvel control;
  control.resize(800, 600);
  for (auto _ : state) {
    state.PauseTiming();
    control.setText(page);
    state.ResumeTiming();
    control.Colorize(0, 0);
  }
  state.SetBytesProcessed(state.iterations() * page.size());
  state.SetComplexityN(page.size());
}

// What F5 costs in the editor on a big file: the pass, then laying out and drawing what it
// marked, on a shown control whose text was laid out beforehand.
void BM_ColorizeShown(benchmark::State& state) {
  const QString page = Page(state.range(0));
  Corvel control;
  control.resize(900, 600);
  control.show();
  for (auto _ : state) {
    state.PauseTiming();
    control.setText(page);
    control.box()->document()->documentLayout()->documentSize();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    control.Colorize(0, 0);
    QCoreApplication::processEvents();
  }
  state.SetBytesProcessed(state.iterations() * page.size());
}

// The floor: the base-font reset and the same marks on a document, with no scan.
void BM_MarksFloor(benchmark::State& state) {
  const QString page = Page(state.range(0));
  Recording recorded;
  colorize::scan(page, 1, int(page.size()), colorize::Looks{}, recorded);
  QTextCharFormat formats[4];
  for (int i = 0; i < 4; ++i) {
    formats[i].setFontWeight(i & 1 ? QFont::Bold : QFont::Normal);
    formats[i].setFontItalic(i & 2);
  }
  QTextDocument document;
  for (auto _ : state) {
    state.PauseTiming();
    document.setPlainText(page);
    state.ResumeTiming();
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    cursor.setPosition(0);
    cursor.setPosition(int(page.size()), QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(formats[0]);
    for (const Mark& m : recorded.marks) {
      cursor.setPosition(m.first - 1);
      cursor.setPosition(m.last, QTextCursor::KeepAnchor);
      cursor.mergeCharFormat(formats[(m.look.bold ? 1 : 0) | (m.look.italic ? 2 : 0)]);
    }
    cursor.endEditBlock();
  }
  state.counters["marks"] = double(recorded.marks.size());
  state.SetBytesProcessed(state.iterations() * page.size());
  state.SetComplexityN(page.size());
}

constexpr int64_t kKiB = 1024;

BENCHMARK(BM_ColorizeScan)
    ->RangeMultiplier(4)
    ->Range(64 * kKiB, 1024 * kKiB)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ColorizePass)
    ->RangeMultiplier(4)
    ->Range(64 * kKiB, 1024 * kKiB)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ColorizeShown)->Arg(20 * kKiB * kKiB)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MarksFloor)
    ->RangeMultiplier(4)
    ->Range(64 * kKiB, 1024 * kKiB)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) { return RunQtBenchmarks(argc, argv); }
