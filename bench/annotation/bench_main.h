#pragma once
// What every engine benchmark's main() does: the engine draws through Qt, so the run sits inside
// an application (offscreen unless the caller chose a platform).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>

inline int annBenchmarkMain(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
