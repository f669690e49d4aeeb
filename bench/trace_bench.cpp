// What a FunctionCallTracer costs while tracing is off: constructed and
// destroyed in a loop, beside the same loop with nothing in it.
#include <benchmark/benchmark.h>

#include "support/ratio_main.h"
#include "trace/function_call_tracer.h"

namespace {

BENCHMARK(util_bench::emptyLoop)->Name("silent_tracer/base");

void SilentTracer(benchmark::State& state) {
    for (auto _ : state) {
        FunctionCallTracer trace("silent");
        benchmark::DoNotOptimize(trace.thread_record);
    }
}
BENCHMARK(SilentTracer)->Name("silent_tracer/util");

}  // namespace

int main(int argc, char** argv) { return util_bench::runWithRatios(argc, argv); }
