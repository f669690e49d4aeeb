// DllMain: records the instance handle and readies the symbol handler at process
// attach, clears the handle at detach. The loggers are constructed before it runs.
#include "log/module_handle.h"
#include "platform/win_include.h"
#include "trace/thread_detach.h"

#include <dbghelp.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        util::setModuleHandle(instance);
        SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES | SYMOPT_LOAD_ANYTHING);
        SymInitialize(GetCurrentProcess(), nullptr, TRUE);
        break;
    case DLL_THREAD_DETACH:
        util::trace::threadDetaching();
        break;
    case DLL_PROCESS_DETACH:
        util::setModuleHandle(nullptr);
        break;
    default:
        break;
    }
    return TRUE;
}
