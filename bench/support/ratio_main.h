// Every benchmark program puts util beside a peer in one run. Benchmarks are
// named "<case>/<side>", the side being the last segment before the arguments:
//   util            the work done through util;
//   peer            the same work through what a user would otherwise pick;
//   peer.<name>     one of several peers, shown as "<case> vs <name>";
//   base            the bare loop util's figure is compared with (a time, not a ratio).
// Both sides of a pair do the same work per iteration. After the run this prints
// one figure per pair, from the time per iteration (processor time, or wall time
// for benchmarks that use real time): peer time / util time
// ("x", above 1: util is faster), or util time beyond the base in nanoseconds
// ("ns"). Where a benchmark is repeated, the minimum of the repetitions counts
// (the run least disturbed by the rest of the machine) if it was asked for with
// repeatForMinimum, else their median.
#ifndef UTIL_BENCH_SUPPORT_RATIO_MAIN_H
#define UTIL_BENCH_SUPPORT_RATIO_MAIN_H

#include <benchmark/benchmark.h>

namespace util_bench {

/// Initialises Google Benchmark with argv, runs every registered benchmark on the
/// console and prints the figures. Returns the process exit status.
int runWithRatios(int argc, char** argv);

/// For Apply: repeats a benchmark five times and adds the "min" statistic
/// runWithRatios prefers.
void repeatForMinimum(benchmark::internal::Benchmark* benchmark);

/// A loop doing nothing per iteration: the base of a fast path's cost.
void emptyLoop(benchmark::State& state);

}  // namespace util_bench

#endif
