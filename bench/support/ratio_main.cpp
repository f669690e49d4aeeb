#include "support/ratio_main.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace util_bench {
namespace {

// Keeps the time per iteration of every run while printing as usual.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatios() const {
        std::printf("\n%-48s %12s %12s\n", "case", "util/peer", "throughput");
        for (const auto& [name, utilTime] : times_) {
            const auto marker = name.find("/util");
            if (marker == std::string::npos) {
                continue;
            }
            std::string peerName = name;
            peerName.replace(marker, 5, "/peer");
            const auto peer = times_.find(peerName);
            if (peer == times_.end() || utilTime <= 0) {
                continue;
            }
            std::string label = name;
            label.erase(marker, 5);
            std::printf("%-48s %12.3f %11.3fx\n", label.c_str(), utilTime / peer->second,
                        peer->second / utilTime);
        }
    }

private:
    std::map<std::string, double> times_;
};

}  // namespace

int runWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}

}  // namespace util_bench
