// The library's module handle, set by start-up at load and cleared at unload.
#include "library/module_handle.h"

#include <atomic>

namespace {

std::atomic<void*> currentModuleHandle{nullptr};

}  // namespace

namespace util {

void* moduleHandle() { return currentModuleHandle.load(); }

void setModuleHandle(void* handle) { currentModuleHandle.store(handle); }

}  // namespace util
