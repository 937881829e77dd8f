// How the benchmarks repeat their measurements: each one is measured ten
// times after a short warm-up, and the mean, median, standard deviation and
// coefficient of variation (cv) of the ten are reported. A cv above 5 % says
// the figure is not to be trusted: on a shared machine, run it again.
#pragma once

#include <benchmark/benchmark.h>

inline void zbx_steady(benchmark::internal::Benchmark *b)
{
    b->MinWarmUpTime(0.1)->Repetitions(10)->ReportAggregatesOnly(true);
}
