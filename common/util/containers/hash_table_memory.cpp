// The hash table's heap access, with the failure switch the tests use.
#include "containers/hash_table_memory.h"

#include <cstdlib>

namespace util {
namespace containers {

namespace {

int allocationsBeforeFailure = -1;  // negative: allocations never fail on purpose

bool allocationAllowed() {
    if (allocationsBeforeFailure < 0) {
        return true;
    }
    if (allocationsBeforeFailure == 0) {
        return false;
    }
    --allocationsBeforeFailure;
    return true;
}

}  // namespace

void* allocateMemory(std::size_t bytes) { return allocationAllowed() ? std::malloc(bytes) : nullptr; }

void* allocateClearedMemory(std::size_t count, std::size_t size) {
    if (size != 0 && count > static_cast<std::size_t>(-1) / size) {
        return nullptr;
    }
    return allocationAllowed() ? std::calloc(count, size) : nullptr;
}

void releaseMemory(void* memory) { std::free(memory); }

void failAllocationsAfter(int successes) { allocationsBeforeFailure = successes; }

}  // namespace containers
}  // namespace util
