// The 32-bit Windows layouts of the exported synchronisation classes: field
// order as the interface gives it, 4-byte pointers and counters. The queue's
// are in containers/fifo_win.cpp.
// Checked in the i686 build only (other targets have 8-byte pointers).
#include <cstddef>

#include "platform/win_include.h"
#include "sync/critical_section.h"
#include "sync/shared_object.h"
#include "sync/synchronizer.h"
#include "sync/zn_thread.h"

static_assert(sizeof(LONG) == sizeof(long), "interlocked counters are Win32 LONGs");
static_assert(sizeof(void*) != 4 || sizeof(ZnCriticalSection) == 4, "one lock pointer");
static_assert(sizeof(void*) != 4 || sizeof(Synchronizer) == 8, "ppCritSec, pObject");
static_assert(sizeof(void*) != 4 || sizeof(SharedObject) == 28, "vtable + 6 fields");
static_assert(sizeof(void*) != 4 || sizeof(ZnThread) == 36, "vtable + 8 fields");
