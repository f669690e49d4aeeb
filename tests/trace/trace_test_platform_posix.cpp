#include "trace/trace_test_platform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "trace/x11_test_support.h"

namespace trace_test {

bool startNetwork() { return true; }

Socket listenOnLoopback(unsigned short* port) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener >= 0) {
            close(listener);
        }
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return listener;
}

Socket connectToLoopback(unsigned short port) {
    const int connection = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connection < 0 || connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (connection >= 0) {
            close(connection);
        }
        return kNoSocket;
    }
    return connection;
}

int waitReadable(const std::vector<Socket>& sockets, int milliseconds) {
    std::vector<pollfd> polled;
    for (Socket socket : sockets) {
        polled.push_back(pollfd{static_cast<int>(socket), POLLIN, 0});
    }
    if (poll(polled.data(), polled.size(), milliseconds) <= 0) {
        return -1;
    }
    for (std::size_t index = 0; index < polled.size(); ++index) {
        if (polled[index].revents != 0) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

Socket acceptConnection(Socket listener) {
    const int accepted = accept(static_cast<int>(listener), nullptr, nullptr);
    return accepted < 0 ? kNoSocket : accepted;
}

long receiveSome(Socket socket, char* buffer, std::size_t size) {
    return static_cast<long>(recv(static_cast<int>(socket), buffer, size, 0));
}

bool sendAll(Socket socket, const std::string& bytes) {
    return send(static_cast<int>(socket), bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

void closeSocket(Socket socket) {
    if (socket != kNoSocket) {
        close(static_cast<int>(socket));
    }
}

unsigned long processId() { return static_cast<unsigned long>(getpid()); }
unsigned long threadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

bool startDisplay() { return x11::startServer(640, 480); }
void stopDisplay() { x11::stopServer(); }

TitledWindow::TitledWindow(const std::string& title) {
    const unsigned long window = x11::createWindow(title);
    window_ = window != 0 ? reinterpret_cast<void*>(window) : nullptr;
}

TitledWindow::~TitledWindow() {
    if (window_ != nullptr) {
        x11::destroyWindow(reinterpret_cast<unsigned long>(window_));
    }
}

}  // namespace trace_test
