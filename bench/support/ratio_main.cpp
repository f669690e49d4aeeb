#include "support/ratio_main.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace util_bench {
namespace {

struct Figure {
    double nanoseconds = 0;  // per iteration
    int rank = 0;            // which kind of run it came from: higher replaces lower
};

// The side of "<case>/<side>" and the case before it.
struct Name {
    std::string caseName;
    std::string side;
};

Name split(const benchmark::BenchmarkReporter::Run& run) {
    const std::string& function = run.run_name.function_name;
    const auto slash = function.rfind('/');
    Name name;
    name.side = slash == std::string::npos ? function : function.substr(slash + 1);
    name.caseName = slash == std::string::npos ? std::string() : function.substr(0, slash);
    if (!run.run_name.args.empty()) {
        name.caseName += "/" + run.run_name.args;
    }
    if (run.threads > 1) {
        name.caseName += "/threads:" + std::to_string(run.threads);
    }
    return name;
}

int rankOf(const benchmark::BenchmarkReporter::Run& run) {
    if (run.run_type == benchmark::BenchmarkReporter::Run::RT_Iteration) {
        return 1;
    }
    if (run.aggregate_name == "median") {
        return 2;
    }
    return run.aggregate_name == "min" ? 3 : 0;
}

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const int rank = rankOf(run);
            if (run.error_occurred || rank == 0) {
                continue;
            }
            const Name name = split(run);
            Figure& figure = figures_[name.caseName][name.side];
            if (rank < figure.rank) {
                continue;
            }
            // Wall time where the benchmark asked for it (work spread over threads),
            // else the time on the processor, which a busy machine disturbs less.
            const double time = run.run_name.time_type.empty() ? run.GetAdjustedCPUTime() : run.GetAdjustedRealTime();
            figure.nanoseconds = time * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            figure.rank = rank;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printFigures() const {
        std::printf(
            "\nutil beside its peers (x: peer time / util time, above 1 util is faster;"
            " ns: util time beyond the base)\n");
        for (const auto& [caseName, sides] : figures_) {
            const auto util = sides.find("util");
            if (util == sides.end() || util->second.nanoseconds <= 0) {
                continue;
            }
            for (const auto& [side, figure] : sides) {
                if (side == "base") {
                    std::printf("  %-56s %10.2f ns\n", (caseName + " beyond base").c_str(),
                                util->second.nanoseconds - figure.nanoseconds);
                } else if (side.compare(0, 4, "peer") == 0) {
                    const std::string label = side.size() > 5 ? caseName + " vs " + side.substr(5) : caseName;
                    std::printf("  %-56s %10.2f x\n", label.c_str(), figure.nanoseconds / util->second.nanoseconds);
                }
            }
        }
    }

private:
    std::map<std::string, std::map<std::string, Figure>> figures_;
};

}  // namespace

int runWithRatios(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printFigures();
    benchmark::Shutdown();
    return 0;
}

void repeatForMinimum(benchmark::internal::Benchmark* benchmark) {
    benchmark->Repetitions(5)->ComputeStatistics(
        "min", [](const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); });
}

void emptyLoop(benchmark::State& state) {
    int counter = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(counter);
        ++counter;
    }
}

}  // namespace util_bench
