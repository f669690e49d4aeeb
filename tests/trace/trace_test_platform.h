// What the tracer tests need from the machine: loopback sockets standing in
// for the viewer, a top-level window with a given title, and the ids the
// tracer should print. One implementation per OS.
#ifndef UTIL_TESTS_TRACE_TRACE_TEST_PLATFORM_H
#define UTIL_TESTS_TRACE_TRACE_TEST_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace trace_test {

using Socket = std::intptr_t;
constexpr Socket kNoSocket = -1;

/// Windows: WSAStartup (the tracer expects the process to have done it). POSIX: true.
bool startNetwork();
/// A listening TCP socket on 127.0.0.1 at a free port, written to *port.
Socket listenOnLoopback(unsigned short* port);
/// POSIX only (the end-to-end test): a connection to 127.0.0.1:port, or kNoSocket.
Socket connectToLoopback(unsigned short port);
/// The index of a readable socket within `milliseconds`, or -1.
int waitReadable(const std::vector<Socket>& sockets, int milliseconds);
Socket acceptConnection(Socket listener);
/// Bytes read (> 0), 0 at the end of the stream, < 0 on error.
long receiveSome(Socket socket, char* buffer, std::size_t size);
bool sendAll(Socket socket, const std::string& bytes);
void closeSocket(Socket socket);

unsigned long processId();
unsigned long threadId();

/// The display that test windows appear on. POSIX starts a private Xvfb and
/// points DISPLAY at it; Windows uses the desktop it has.
bool startDisplay();
void stopDisplay();

/// A top-level window titled `title` for as long as the object lives.
class TitledWindow {
public:
    explicit TitledWindow(const std::string& title);
    ~TitledWindow();
    TitledWindow(const TitledWindow&) = delete;
    TitledWindow& operator=(const TitledWindow&) = delete;
    bool shown() const { return window_ != nullptr; }

private:
    void* window_ = nullptr;
};

}  // namespace trace_test

#endif
