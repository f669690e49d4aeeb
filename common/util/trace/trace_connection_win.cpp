// Windows side of the tracer: a TLS slot for the record, a Winsock socket to
// the viewer on 127.0.0.1, and Sleep(1).
#include "trace/trace_platform.h"

#include "platform/win_include.h"
#include "trace/function_call_tracer.h"

static_assert(sizeof(SOCKET) == sizeof(std::uintptr_t), "a SOCKET is held in TraceThreadRecord::sock");
static_assert(INVALID_SOCKET == kTraceNoSocket, "the invalid socket has all bits set");
#if !defined(_WIN64)
static_assert(sizeof(TraceThreadRecord) == 16, "pid, tid, depth and sock: 4 bytes each on 32-bit Windows");
#endif

namespace util {
namespace trace {

namespace {

// One TLS index for the process, taken on first use.
DWORD recordSlot() {
    static const DWORD slot = TlsAlloc();
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

std::uintptr_t connectToViewer(unsigned short port) {
    const SOCKET handle = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET) {
        return kTraceNoSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    // A failed connect is not reported: later sends on the socket fail quietly.
    (void)connect(handle, reinterpret_cast<const sockaddr*>(&address), 16);
    Sleep(1);
    return static_cast<std::uintptr_t>(handle);
}

void sendToViewer(std::uintptr_t socketHandle, const char* bytes, std::size_t length) {
    if (socketHandle == kTraceNoSocket) {
        return;
    }
    (void)send(static_cast<SOCKET>(socketHandle), bytes, static_cast<int>(length), 0);
}

void sleepOneMillisecond() { Sleep(1); }

}  // namespace trace
}  // namespace util
