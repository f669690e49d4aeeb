// What a FunctionCallTracer costs while tracing is off: constructed and
// destroyed in a loop, beside the same loop with nothing in it. Prints the
// difference per iteration and the ratio of the two.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

#include "trace/function_call_tracer.h"

namespace {

void EmptyLoop(benchmark::State& state) {
    int counter = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(counter);
        ++counter;
    }
}
BENCHMARK(EmptyLoop);

void SilentTracer(benchmark::State& state) {
    for (auto _ : state) {
        FunctionCallTracer trace("silent");
        benchmark::DoNotOptimize(trace.thread_record);
    }
}
BENCHMARK(SilentTracer);

// Keeps each benchmark's time per iteration for the closing comparison.
class RecordingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            realNanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
            cpuNanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> realNanoseconds;
    std::map<std::string, double> cpuNanoseconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // CPU time as well as wall time: on a shared machine the wall time includes waiting for a core.
    for (auto* times : {&reporter.realNanoseconds, &reporter.cpuNanoseconds}) {
        const double empty = (*times)["EmptyLoop"];
        const double silent = (*times)["SilentTracer"];
        if (empty > 0 && silent > 0) {
            std::printf("silent tracer (%s time): %.2f ns per object beyond the empty loop; ratio silent/empty %.2f\n",
                        times == &reporter.realNanoseconds ? "wall" : "CPU", silent - empty, silent / empty);
        }
    }
    return 0;
}
