// POSIX side of the tracer: a thread_local record slot that closes the thread's
// connection when the thread ends, close-on-exec BSD sockets to the viewer on the
// loopback interface, and the fork handlers.
#include "trace/trace_platform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>

#include "platform/thread.h"
#include "trace/function_call_tracer.h"
#include "trace/trace_record.h"

namespace util {
namespace trace {

namespace {

// The thread's record; its destructor runs when the thread ends (any thread,
// however it was started), and closes the thread's connection.
struct ThreadSlot {
    TraceThreadRecord* record = nullptr;
    ~ThreadSlot() { releaseThreadRecord(record); }
};

thread_local ThreadSlot currentThread;

// Held while a socket is created and stored, or cleared and closed, and across
// fork: a child then finds each socket of the process stored in its record, and
// never closes a descriptor number that the parent had already closed and reused.
std::mutex socketLock;

void closeDescriptor(std::uintptr_t socketHandle) { close(static_cast<int>(socketHandle)); }

void lockBeforeFork() { socketLock.lock(); }
void unlockInParent() { socketLock.unlock(); }

// The child runs one thread, the forking one: every connection it inherited
// belongs to the parent's threads (its own included), with the parent's ids.
// They are closed here, and the forking thread's record is forgotten, so the
// child's first tracer makes a record of its own, with its own ids and its own
// connection. The records stay, socketless, for tracer objects that were alive
// across the fork.
void dropConnectionsInChild() {
    forEachRecord([](TraceThreadRecord& record) {
        if (record.sock != kTraceNoSocket) {
            closeDescriptor(record.sock);
            record.sock = kTraceNoSocket;
        }
    });
    currentThread.record = nullptr;
    socketLock.unlock();
}

const int forkHandlersRegistered = pthread_atfork(&lockBeforeFork, &unlockInParent, &dropConnectionsInChild);

}  // namespace

TraceThreadRecord* storedThreadRecord() { return currentThread.record; }

bool storeThreadRecord(TraceThreadRecord* record) {
    (void)forkHandlersRegistered;
    currentThread.record = record;
    return true;
}

void openViewerSocket(std::uintptr_t* slot) {
    std::lock_guard<std::mutex> hold(socketLock);
    // SOCK_CLOEXEC: a program that the traced process starts does not hold the connection.
    const int socketDescriptor = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    *slot = socketDescriptor < 0 ? kTraceNoSocket : static_cast<std::uintptr_t>(socketDescriptor);
}

void connectViewerSocket(std::uintptr_t socketHandle, unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    // A failed connect is not reported: later sends on the socket fail quietly.
    (void)connect(static_cast<int>(socketHandle), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    platform::sleepMilliseconds(1);
}

void closeViewerSocket(std::uintptr_t* slot) {
    std::lock_guard<std::mutex> hold(socketLock);
    const std::uintptr_t socketHandle = *slot;
    *slot = kTraceNoSocket;
    if (socketHandle != kTraceNoSocket) {
        closeDescriptor(socketHandle);
    }
}

void sendToViewer(std::uintptr_t socketHandle, const char* bytes, std::size_t length) {
    if (socketHandle == kTraceNoSocket) {
        return;
    }
    // MSG_NOSIGNAL: a viewer that closed its end must not kill the traced process.
    (void)send(static_cast<int>(socketHandle), bytes, length, MSG_NOSIGNAL);
}

}  // namespace trace
}  // namespace util
