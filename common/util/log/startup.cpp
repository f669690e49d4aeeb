// The library's own two loggers and its module handle. Constructing the first
// logger at load creates the log lock before any client code runs.
#include <atomic>

#include "log/file_log.h"
#include "log/module_handle.h"

namespace {

FileLog utilLogger("UTIL");
FileLog shareLogger("SHARE ");
std::atomic<void*> currentModuleHandle{nullptr};

}  // namespace

namespace util {

void* moduleHandle() { return currentModuleHandle.load(); }

void setModuleHandle(void* handle) { currentModuleHandle.store(handle); }

}  // namespace util
