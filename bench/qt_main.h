#pragma once
// main() for a benchmark that needs Qt's event loop.

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#define TRUCO_QT_BENCHMARK_MAIN()        \
  int main(int argc, char** argv) {      \
    QCoreApplication app(argc, argv);    \
    benchmark::Initialize(&argc, argv);  \
    benchmark::RunSpecifiedBenchmarks(); \
    benchmark::Shutdown();               \
    return 0;                            \
  }
