#pragma once
// main() of the benchmarks that draw with Qt: a QGuiApplication on the offscreen platform
// (unless the environment names one) around Google Benchmark's own main.
#include <benchmark/benchmark.h>

#include <QGuiApplication>

#define TREVASC_QT_BENCHMARK_MAIN()                         \
    int main(int argc, char** argv) {                       \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) \
            qputenv("QT_QPA_PLATFORM", "offscreen");        \
        int qtArgc = 1;                                     \
        QGuiApplication app(qtArgc, argv);                  \
        benchmark::Initialize(&argc, argv);                 \
        benchmark::RunSpecifiedBenchmarks();                \
        benchmark::Shutdown();                              \
        return 0;                                           \
    }
