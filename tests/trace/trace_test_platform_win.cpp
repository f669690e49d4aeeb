#include "trace/trace_test_platform.h"

#include "platform/win_include.h"

namespace trace_test {

bool startNetwork() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

Socket listenOnLoopback(unsigned short* port) {
    const SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (listener == INVALID_SOCKET || bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 16) != 0 || getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        if (listener != INVALID_SOCKET) {
            closesocket(listener);
        }
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return static_cast<Socket>(listener);
}

int waitReadable(const std::vector<Socket>& sockets, int milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    for (Socket socket : sockets) {
        FD_SET(static_cast<SOCKET>(socket), &readable);
    }
    timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    if (select(0, &readable, nullptr, nullptr, &timeout) <= 0) {
        return -1;
    }
    for (std::size_t index = 0; index < sockets.size(); ++index) {
        if (FD_ISSET(static_cast<SOCKET>(sockets[index]), &readable)) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

Socket acceptConnection(Socket listener) {
    const SOCKET accepted = accept(static_cast<SOCKET>(listener), nullptr, nullptr);
    return accepted == INVALID_SOCKET ? kNoSocket : static_cast<Socket>(accepted);
}

long receiveSome(Socket socket, char* buffer, std::size_t size) {
    return recv(static_cast<SOCKET>(socket), buffer, static_cast<int>(size), 0);
}

bool sendAll(Socket socket, const std::string& bytes) {
    return send(static_cast<SOCKET>(socket), bytes.data(), static_cast<int>(bytes.size()), 0) ==
           static_cast<int>(bytes.size());
}

void closeSocket(Socket socket) {
    if (socket != kNoSocket) {
        closesocket(static_cast<SOCKET>(socket));
    }
}

unsigned long processId() { return GetCurrentProcessId(); }
unsigned long threadId() { return GetCurrentThreadId(); }

bool startDisplay() { return true; }
void stopDisplay() {}

namespace {

const char kWindowClass[] = "TraceTestWindow";

bool registerWindowClass() {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

}  // namespace

// A hidden window: FindWindowA finds hidden top-level windows too.
TitledWindow::TitledWindow(const std::string& title) {
    if (registerWindowClass()) {
        window_ = CreateWindowExA(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    }
}

TitledWindow::~TitledWindow() {
    if (window_ != nullptr) {
        DestroyWindow(static_cast<HWND>(window_));
    }
}

}  // namespace trace_test
