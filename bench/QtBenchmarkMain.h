#pragma once
// The main of a benchmark of the user interface: Qt's offscreen platform
// unless another is asked for, one application for every case.

#include <benchmark/benchmark.h>

#include <QApplication>

#define ZEPH_QT_BENCHMARK_MAIN()                                                                          \
    int main(int argc, char** argv)                                                                       \
    {                                                                                                     \
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");      \
        QApplication application(argc, argv);                                                             \
        benchmark::Initialize(&argc, argv);                                                               \
        benchmark::RunSpecifiedBenchmarks();                                                              \
        benchmark::Shutdown();                                                                            \
        return 0;                                                                                         \
    }
