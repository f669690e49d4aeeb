// Writing and reading 1,000,000 frames of 64 and of 1,500 bytes with the packet
// log and with libpcap (pcap_dump, pcap_next_ex), in one run, and the throughput
// ratio of each pair. Both writers stamp every frame with the current time; each
// write includes open and close. Files go to /dev/shm where it exists, so the
// figures are of the code rather than of the disk.
#include <benchmark/benchmark.h>
#include <pcap/pcap.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "pcap/packet_log.h"
#include "support/ratio_main.h"

namespace {

constexpr long kFrames = 1000000;

std::string scratchFile(const std::string& name) {
    std::error_code error;
    const std::filesystem::path memory("/dev/shm");
    const auto directory =
        std::filesystem::is_directory(memory, error) ? memory : std::filesystem::temp_directory_path();
    return (directory / ("bench_pcap_" + name)).string();
}

std::vector<unsigned char> frameOf(std::size_t size) {
    std::vector<unsigned char> frame(size);
    for (std::size_t index = 0; index < size; ++index) {
        frame[index] = static_cast<unsigned char>(index * 31);
    }
    return frame;
}

void writeWithPacketLog(const std::string& path, const std::vector<unsigned char>& frame) {
    void* log = EthrOpenLog(path.c_str(), 0);
    for (long count = 0; count < kFrames; ++count) {
        EthrLogPacket(log, frame.data(), frame.size());
    }
    EthrCloseLog(log);
}

void writeWithLibpcap(const std::string& path, const std::vector<unsigned char>& frame) {
    pcap_t* dead = pcap_open_dead(DLT_EN10MB, 65535);
    pcap_dumper_t* dumper = pcap_dump_open(dead, path.c_str());
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    for (long count = 0; count < kFrames; ++count) {
        const auto now =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
                .count();
        header.ts.tv_sec = static_cast<time_t>(now / 1000000);
        header.ts.tv_usec = static_cast<suseconds_t>(now % 1000000);
        pcap_dump(reinterpret_cast<u_char*>(dumper), &header, frame.data());
    }
    pcap_dump_close(dumper);
    pcap_close(dead);
}

long readWithPacketLog(const std::string& path) {
    static std::vector<unsigned char> buffer(65536);
    void* log = EthrReadLog(path.c_str());
    long frames = 0;
    unsigned long length = buffer.size();
    while (EthrReadPacket(log, buffer.data(), &length) == 1) {
        benchmark::DoNotOptimize(buffer.data());
        ++frames;
        length = buffer.size();
    }
    EthrCloseLog(log);
    return frames;
}

long readWithLibpcap(const std::string& path) {
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* capture = pcap_open_offline(path.c_str(), error);
    long frames = 0;
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    while (pcap_next_ex(capture, &header, &data) == 1) {
        benchmark::DoNotOptimize(data);
        ++frames;
    }
    pcap_close(capture);
    return frames;
}

void Write(benchmark::State& state, bool packetLog) {
    const auto frame = frameOf(static_cast<std::size_t>(state.range(0)));
    const std::string path = scratchFile(packetLog ? "write_util.pcap" : "write_libpcap.pcap");
    for (auto _ : state) {
        packetLog ? writeWithPacketLog(path, frame) : writeWithLibpcap(path, frame);
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.SetBytesProcessed(state.iterations() * kFrames * static_cast<long>(frame.size()));
}

void Read(benchmark::State& state, bool packetLog) {
    const auto frame = frameOf(static_cast<std::size_t>(state.range(0)));
    const std::string path = scratchFile("read.pcap");
    writeWithPacketLog(path, frame);  // one file, the same bytes for both readers
    for (auto _ : state) {
        const long frames = packetLog ? readWithPacketLog(path) : readWithLibpcap(path);
        if (frames != kFrames) {
            state.SkipWithError("wrong frame count");
            break;
        }
    }
    std::remove(path.c_str());
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.SetBytesProcessed(state.iterations() * kFrames * static_cast<long>(frame.size()));
}

BENCHMARK_CAPTURE(Write, util, true)->Arg(64)->Arg(1500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Write, peer, false)->Arg(64)->Arg(1500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Read, util, true)->Arg(64)->Arg(1500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Read, peer, false)->Arg(64)->Arg(1500)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return util_bench::runWithRatios(argc, argv); }
