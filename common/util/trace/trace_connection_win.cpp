// Windows side of the tracer: a TLS slot for the record, released when the
// thread detaches, and a non-inheritable Winsock socket to the viewer on 127.0.0.1.
#include "trace/trace_platform.h"

#include <atomic>

#include "platform/thread.h"
#include "platform/win_include.h"
#include "trace/function_call_tracer.h"
#include "trace/thread_detach.h"
#include "trace/trace_record.h"

static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t), "a SOCKET is held in TraceThreadRecord::sock");
static_assert(INVALID_SOCKET == kTraceNoSocket, "the invalid socket has all bits set");
#if !defined(_WIN64)
static_assert(sizeof(TraceThreadRecord) == 16, "pid, tid, depth and sock: 4 bytes each on 32-bit Windows");
#endif

namespace util {
namespace trace {

namespace {

// One TLS index for the process, taken on first use; TLS_OUT_OF_INDEXES until then.
std::atomic<DWORD> takenSlot{TLS_OUT_OF_INDEXES};

DWORD recordSlot() {
    static const DWORD slot = [] {
        const DWORD index = TlsAlloc();
        takenSlot.store(index, std::memory_order_release);
        return index;
    }();
    return slot;
}

}  // namespace

TraceThreadRecord* storedThreadRecord() {
    const DWORD slot = recordSlot();
    if (slot == TLS_OUT_OF_INDEXES) {
        return nullptr;
    }
    return static_cast<TraceThreadRecord*>(TlsGetValue(slot));
}

bool storeThreadRecord(TraceThreadRecord* record) {
    const DWORD slot = recordSlot();
    return slot != TLS_OUT_OF_INDEXES && TlsSetValue(slot, record) != FALSE;
}

void threadDetaching() {
    // Only a thread that stored a record can have one; the slot is not taken here.
    const DWORD slot = takenSlot.load(std::memory_order_acquire);
    if (slot == TLS_OUT_OF_INDEXES) {
        return;
    }
    auto* record = static_cast<TraceThreadRecord*>(TlsGetValue(slot));
    if (record != nullptr) {
        TlsSetValue(slot, nullptr);
        releaseThreadRecord(record);
    }
}

void libraryUnloading() {
    threadDetaching();
    const DWORD slot = takenSlot.exchange(TLS_OUT_OF_INDEXES, std::memory_order_acq_rel);
    if (slot != TLS_OUT_OF_INDEXES) {
        TlsFree(slot);
    }
}

void openViewerSocket(std::uintptr_t* slot) {
    const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle != INVALID_SOCKET) {
        // A program that the traced process starts with inherited handles does not hold the connection.
        SetHandleInformation(reinterpret_cast<HANDLE>(handle), HANDLE_FLAG_INHERIT, 0);
    }
    *slot = static_cast<std::uintptr_t>(handle);
}

void connectViewerSocket(std::uintptr_t socketHandle, unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    // A failed connect is not reported: later sends on the socket fail quietly.
    (void)connect(static_cast<SOCKET>(socketHandle), reinterpret_cast<const sockaddr*>(&address), 16);
    platform::sleepMilliseconds(1);
}

void closeViewerSocket(std::uintptr_t* slot) {
    const std::uintptr_t socketHandle = *slot;
    *slot = kTraceNoSocket;
    if (socketHandle != kTraceNoSocket) {
        closesocket(static_cast<SOCKET>(socketHandle));
    }
}

void sendToViewer(std::uintptr_t socketHandle, const char* bytes, std::size_t length) {
    if (socketHandle == kTraceNoSocket) {
        return;
    }
    (void)send(static_cast<SOCKET>(socketHandle), bytes, static_cast<int>(length), 0);
}

}  // namespace trace
}  // namespace util
