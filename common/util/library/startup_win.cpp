// DllMain: records the instance handle and readies the symbol handler at process
// attach, clears the handle at detach. The loggers are constructed before it runs.
//
// A DLL that is loaded and freed again and again (loaded on demand, or by a
// plug-in host) must give back at each FreeLibrary what its load made, or a
// later load fails: the symbol handler session this load opened (SymCleanup,
// only when this load's SymInitialize succeeded), the log lock, the tracer's
// TLS index, and the TLS index that the statically linked POSIX-threads runtime
// of the toolchain takes at load and never frees (Windows has about 1,088 of them per process:
// without this a process runs out after about a thousand loads, and that
// runtime then aborts the process). When the process ends (lpReserved not
// null) nothing is released: other threads may have been stopped anywhere,
// and the system frees everything anyway.
#include "log/log_lock.h"
#include "library/module_handle.h"
#include "platform/win_include.h"
#include "trace/thread_detach.h"

#include <dbghelp.h>

namespace {

bool symbolHandlerOpened = false;

// The threads runtime keeps its index private. It is found by watching the
// load: a TLS callback that runs before the runtime's own (the sections sort
// by name, and the runtime's is .CRT$XLF) notes the lowest free index; when
// DllMain runs, the runtime has taken that index for itself and stored its
// record of the loading thread in it. An index found empty was not taken by
// it, and is left alone.
DWORD lowestFreeIndexAtLoad = TLS_OUT_OF_INDEXES;
DWORD runtimeIndex = TLS_OUT_OF_INDEXES;

void NTAPI noteFreeTlsIndex(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        lowestFreeIndexAtLoad = TlsAlloc();
        if (lowestFreeIndexAtLoad != TLS_OUT_OF_INDEXES) {
            TlsFree(lowestFreeIndexAtLoad);
        }
    }
}

__attribute__((section(".CRT$XLB"), used)) const PIMAGE_TLS_CALLBACK noteFreeTlsIndexEntry = noteFreeTlsIndex;

void findRuntimeTlsIndex() {
    if (lowestFreeIndexAtLoad != TLS_OUT_OF_INDEXES && TlsGetValue(lowestFreeIndexAtLoad) != nullptr) {
        runtimeIndex = lowestFreeIndexAtLoad;
    }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            util::setModuleHandle(instance);
            findRuntimeTlsIndex();
            SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES | SYMOPT_LOAD_ANYTHING);
            symbolHandlerOpened = SymInitialize(GetCurrentProcess(), nullptr, TRUE) != FALSE;
            break;
        case DLL_THREAD_DETACH: util::trace::threadDetaching(); break;
        case DLL_PROCESS_DETACH:
            util::setModuleHandle(nullptr);
            if (reserved == nullptr) {
                if (symbolHandlerOpened) {
                    SymCleanup(GetCurrentProcess());
                    symbolHandlerOpened = false;
                }
                util::releaseLogLock();
                util::trace::libraryUnloading();
                if (runtimeIndex != TLS_OUT_OF_INDEXES) {
                    TlsFree(runtimeIndex);
                    runtimeIndex = TLS_OUT_OF_INDEXES;
                }
            }
            break;
        default: break;
    }
    return TRUE;
}
