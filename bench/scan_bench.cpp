// Tag-list scan throughput on generated station lists.
#include <benchmark/benchmark.h>

#include <QString>
#include <QStringList>

#include <malloc.h>
#include <sys/resource.h>

#include "directory/tagscanner.h"

namespace {

const QStringList kStation = {QStringLiteral("naam"), QStringLiteral("url"),
                              QStringLiteral("homepage")};

// A station list of at least `bytes` UTF-8 bytes, shaped like the directory's answers:
// CRLF lines, a few capital tags, now and then a name outside ASCII or a missing homepage.
QString StationList(qsizetype bytes) {
  QString text;
  qsizetype size = 0;
  for (int i = 0; size < bytes; ++i) {
    QString station = QStringLiteral("<naam>Zender %1 FM%2</naam>\r\n").arg(i).arg(
                          i % 7 == 0 ? QStringLiteral(" Één") : QString()) +
                      QStringLiteral("<url>http://stream.example.nl:8000/zender%1.mp3</url>\r\n")
                          .arg(i);
    if (i % 13 != 0)
      station += (i % 5 == 0 ? QStringLiteral("<HOMEPAGE>www.zender%1.nl</HOMEPAGE>\r\n")
                             : QStringLiteral("<homepage>www.zender%1.nl</homepage>\r\n"))
                     .arg(i);
    size += station.toUtf8().size();
    text += station;
  }
  return text;
}

void BM_ScanStationList(benchmark::State& state) {
  const QString text = StationList(state.range(0));
  const qsizetype bytes = text.toUtf8().size();
  qsizetype names = 0;
  for (auto _ : state) {
    const QList<QStringList> lists = scanTags(text, kStation);
    names = lists[0].size();
    benchmark::DoNotOptimize(names);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  state.SetComplexityN(bytes);
  state.counters["stations"] = double(names);
}
BENCHMARK(BM_ScanStationList)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// Openings without any closing: the literal rules search to the end for each one.
void BM_ScanUnclosed(benchmark::State& state) {
  const QString text = QStringLiteral("<naam>x ").repeated(state.range(0) / 8);
  for (auto _ : state) benchmark::DoNotOptimize(scanTags(text, kStation));
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
  state.SetComplexityN(text.size());
}
BENCHMARK(BM_ScanUnclosed)
    ->RangeMultiplier(4)
    ->Range(64 << 10, 16 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

// The hostile case: many openings and one closing. Read literally the contents grow with the
// square of the text (60 KB would become 594 MB); the scan gives up at its bound instead.
// heap_mb is the heap in use at the end of one scan, peak_rss_mb the process's peak so far.
void BM_ScanNested(benchmark::State& state) {
  const QString text = QStringLiteral("<naam>").repeated(state.range(0) / 6) + QStringLiteral("</naam>");
  bool failed = false;
  double heapMb = 0;
  for (auto _ : state) {
    try {
      const QList<QStringList> lists = scanTags(text, kStation);
      heapMb = double(mallinfo2().uordblks) / (1 << 20);
      benchmark::DoNotOptimize(lists);
    } catch (const TagListTooLarge&) {
      failed = true;
      heapMb = double(mallinfo2().uordblks) / (1 << 20);
    }
  }
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
  state.counters["gave_up"] = failed ? 1 : 0;
  state.counters["heap_mb"] = heapMb;
  state.counters["peak_rss_mb"] = double(usage.ru_maxrss) / 1024;
  state.counters["budget_mb"] = double(scanBudget(text.size())) * 2 / (1 << 20);
}
BENCHMARK(BM_ScanNested)->Arg(60 << 10)->Arg(180 << 10)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
