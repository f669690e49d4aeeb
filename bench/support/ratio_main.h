// Benchmarks come in pairs, "<case>/util" and "<case>/peer": the same work done
// through util and through what a user would otherwise pick. After the run this
// prints one line per pair with the time ratio util / peer (below 1.0: util is
// faster) and the throughput ratio peer / util time (above 1.0: util is faster).
#ifndef UTIL_BENCH_SUPPORT_RATIO_MAIN_H
#define UTIL_BENCH_SUPPORT_RATIO_MAIN_H

namespace util_bench {

/// Initialises Google Benchmark with argv, runs every registered benchmark on the
/// console and prints the ratios. Returns the process exit status.
int runWithRatios(int argc, char** argv);

}  // namespace util_bench

#endif
