// POSIX side of the tracer: a thread_local record slot, a BSD socket to the
// viewer on the loopback interface, and the 1 ms sleep.
#include "trace/trace_platform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include "trace/function_call_tracer.h"

namespace util {
namespace trace {

namespace {

thread_local TraceThreadRecord* currentThreadRecord = nullptr;

}  // namespace

TraceThreadRecord* storedThreadRecord() { return currentThreadRecord; }

bool storeThreadRecord(TraceThreadRecord* record) {
    currentThreadRecord = record;
    return true;
}

std::uintptr_t connectToViewer(unsigned short port) {
    const int socketDescriptor = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socketDescriptor < 0) {
        return kTraceNoSocket;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = inet_addr("127.0.0.1");
    address.sin_port = htons(port);
    // A failed connect is not reported: later sends on the socket fail quietly.
    (void)connect(socketDescriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    sleepOneMillisecond();
    return static_cast<std::uintptr_t>(socketDescriptor);
}

void sendToViewer(std::uintptr_t socketHandle, const char* bytes, std::size_t length) {
    if (socketHandle == kTraceNoSocket) {
        return;
    }
    // MSG_NOSIGNAL: a viewer that closed its end must not kill the traced process.
    (void)send(static_cast<int>(socketHandle), bytes, length, MSG_NOSIGNAL);
}

void sleepOneMillisecond() {
    timespec pause{0, 1000000};
    nanosleep(&pause, nullptr);
}

}  // namespace trace
}  // namespace util
