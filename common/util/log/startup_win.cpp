// DllMain: records the instance handle and readies the symbol handler at process
// attach, clears the handle at detach. The loggers are constructed before it runs.
//
// A DLL that is loaded and freed again and again (loaded on demand, or by a
// plug-in host) must give back at each FreeLibrary what its load made, or a
// later load fails: the symbol handler session this load opened (SymCleanup,
// only when this load's SymInitialize succeeded) and the log lock. When the
// process ends (lpReserved not null) nothing is released: other threads may
// have been stopped anywhere, and the system frees everything anyway.
#include "log/log_lock.h"
#include "log/module_handle.h"
#include "platform/win_include.h"

#include <dbghelp.h>

namespace {

bool symbolHandlerOpened = false;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        util::setModuleHandle(instance);
        SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES | SYMOPT_LOAD_ANYTHING);
        symbolHandlerOpened = SymInitialize(GetCurrentProcess(), nullptr, TRUE) != FALSE;
        break;
    case DLL_PROCESS_DETACH:
        util::setModuleHandle(nullptr);
        if (reserved == nullptr) {
            if (symbolHandlerOpened) {
                SymCleanup(GetCurrentProcess());
                symbolHandlerOpened = false;
            }
            util::releaseLogLock();
        }
        break;
    default:
        break;
    }
    return TRUE;
}
