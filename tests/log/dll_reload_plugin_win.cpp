// The reload test's plug-in: loading and freeing it loads and unloads util.dll, which it uses in between. It links
// no C++ runtime (whose threads runtime would take a TLS index at each load): new is malloc, as util.dll expects.
#include <cstdlib>
#include <new>

#include "util.h"

void* operator new(std::size_t size) { return std::malloc(size != 0 ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

extern "C" __declspec(dllexport) int useUtil(const char* logPath) {
    if (FileLog::SetLogFilePath(logPath) != 1) {
        return 0;
    }
    FileLog log("plugin");
    const int written = log.LogMsg(1, "plugin", "plugin.cpp", 1, "loaded\n");

    FIFO* queue = new FIFO;
    auto* message = static_cast<FIFO_MSG*>(std::calloc(1, sizeof(FIFO_MSG)));
    const int queued = message != nullptr && queue->EntQ(message) == 1;
    FIFO_MSG* taken = queue->DeptQ(0);
    std::free(taken);
    queue->Shutdown(0);

    trace_flag = 1;  // traced, but to no viewer
    trace_to_viewer = 0;
    {
        FunctionCallTracer trace("useUtil");
        trace.DebugOutputp("silent %d\n", written);
    }
    trace_flag = 0;
    return written > 0 && queued && taken == message ? 1 : 0;
}
