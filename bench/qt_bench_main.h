#pragma once

#include <QApplication>

#include <benchmark/benchmark.h>

// The main of a benchmark that needs widgets: a QApplication (offscreen unless told otherwise)
// around Google Benchmark's own run.
inline int RunQtBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
