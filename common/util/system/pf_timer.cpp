// ZnPFTimer: the sticky availability and the exact scaling of counter readings.
#include "system/pf_timer.h"

#include <cstdint>

#include "system/system_platform.h"

namespace util {

int scaleElapsedCounts(long long now, long long start, long long frequency, long long scale) {
    // Unsigned arithmetic wraps where signed would be undefined.
    const std::uint64_t difference = static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(start);
    const bool negative = static_cast<std::int64_t>(difference) < 0;
    const std::uint64_t magnitude = negative ? 0 - difference : difference;
    const std::uint64_t divisor = static_cast<std::uint64_t>(frequency);
    const std::uint64_t factor = static_cast<std::uint64_t>(scale);
    // Whole periods and the remainder apart: remainder * scale stays far below
    // 2^64 for real frequencies, and wrapping in the first product keeps the low bits.
    const std::uint64_t quotient = (magnitude / divisor) * factor + (magnitude % divisor) * factor / divisor;
    const std::uint64_t result = negative ? 0 - quotient : quotient;
    return static_cast<int>(static_cast<std::uint32_t>(result));
}

}  // namespace util

ZnPFTimer::ZnPFTimer() : start_count(0), frequency(0), available(false) {
    long long counterFrequency = 0;
    if (util::readCounterFrequency(&counterFrequency)) {
        frequency = counterFrequency;
        available = frequency > 0;
    }
}

ZnPFTimer::~ZnPFTimer() = default;

ZnPFTimer& ZnPFTimer::operator=(const ZnPFTimer& other) {
    start_count = other.start_count;
    frequency = other.frequency;
    available = other.available;
    return *this;
}

void ZnPFTimer::Start() {
    if (available && !util::readCounter(&start_count)) {
        available = false;
    }
}

int ZnPFTimer::EndInMili() { return End(1000); }

int ZnPFTimer::EndInMicro() { return End(1000000); }

int ZnPFTimer::End(long long scale) {
    if (!available) {
        return -1;
    }
    long long now = 0;
    if (!util::readCounter(&now)) {
        available = false;
        return -1;
    }
    return util::scaleElapsedCounts(now, start_count, frequency, scale);
}
