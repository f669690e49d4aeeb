// A default-layout record through FileLog beside the floor its design allows:
// the same bytes through a bare open-append, fstat, write and close.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/ratio_main.h"
#include "util.h"

namespace {

std::string benchDirectory() {
    static std::string directory = [] {
        char pattern[] = "/tmp/util_log_bench_XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made != nullptr ? made : "/tmp");
    }();
    return directory;
}

void Record_util(benchmark::State& state) {
    const std::string path = benchDirectory() + "/util.log";
    FileLog::SetLogFilePath(path.c_str());
    FileLog::SetMaxLogFileSize(0x7FFFFFFF);
    FileLog log("bench");
    int n = 0;
    for (auto _ : state) {
        log.LogMsg(1, "bench", "bench.cpp", 42, "queue full %d\n", ++n);
    }
    std::remove(path.c_str());
}
BENCHMARK(Record_util)->Name("Record/util");

void Record_peer(benchmark::State& state) {
    const std::string path = benchDirectory() + "/peer.log";
    const long pid = getpid();
    const long tid = syscall(SYS_gettid);
    char record[512];
    int n = 0;
    for (auto _ : state) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        tm parts{};
        localtime_r(&now.tv_sec, &parts);
        const int length =
            std::snprintf(record, sizeof record,
                          "%04d/%02d/%02d %02d:%02d:%02d.%03d bench bench.cpp:42 pid %ld tid %ld queue full %d\n",
                          parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
                          parts.tm_sec, static_cast<int>(now.tv_nsec / 1000000), pid, tid, ++n);
        const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0666);
        struct stat info;
        fstat(fd, &info);
        benchmark::DoNotOptimize(info.st_size);
        benchmark::DoNotOptimize(write(fd, record, static_cast<size_t>(length)));
        close(fd);
    }
    std::remove(path.c_str());
}
BENCHMARK(Record_peer)->Name("Record/peer");

// A record above log_level: the filter alone.
void FilteredRecord(benchmark::State& state) {
    FileLog log("bench");
    FileLog::SetLogLevel(2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(log.LogMsg(3, "bench", "bench.cpp", 42, "dropped %d\n", 1));
    }
}
BENCHMARK(FilteredRecord)->Name("filtered_record/util");

BENCHMARK(util_bench::emptyLoop)->Name("filtered_record/base");

}  // namespace

int main(int argc, char** argv) { return util_bench::runWithRatios(argc, argv); }
