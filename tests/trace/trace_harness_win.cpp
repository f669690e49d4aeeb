// The harness on Windows: Winsock, and hidden top-level windows for FindWindowA.
#include "trace/trace_harness.h"

#include <algorithm>

#include "platform/win_include.h"
#include "trace/viewer_script.h"

using socklen_t = int;
using Native = SOCKET;
#define closesocket_ closesocket
constexpr int kSendFlags = 0;

namespace trace_test {

namespace {

sockaddr_in loopback(unsigned short port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

}  // namespace

Socket listenOnLoopback(unsigned short* port) {
    const Socket listener = static_cast<Socket>(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (listener == kNoSocket || bind(Native(listener), reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(Native(listener), 16) != 0 ||
        getsockname(Native(listener), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(listener);
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return listener;
}

Socket connectToLoopback(unsigned short port) {
    const Socket connection = static_cast<Socket>(socket(AF_INET, SOCK_STREAM, 0));
    const sockaddr_in address = loopback(port);
    if (connection != kNoSocket &&
        connect(Native(connection), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
        return connection;
    }
    closeSocket(connection);
    return kNoSocket;
}

bool sendAll(Socket socket, const std::string& bytes) {
    const int size = static_cast<int>(bytes.size());
    return send(Native(socket), bytes.data(), size, kSendFlags) == size;
}

void closeSocket(Socket socket) {
    if (socket != kNoSocket) {
        closesocket_(Native(socket));
    }
}

int waitReadable(const std::vector<Socket>& sockets, int milliseconds) {
    fd_set readable;
    FD_ZERO(&readable);
    Socket highest = 0;
    for (Socket socket : sockets) {
        FD_SET(Native(socket), &readable);
        highest = std::max(highest, socket);
    }
    timeval timeout{0, milliseconds * 1000};
    if (select(static_cast<int>(highest + 1), &readable, nullptr, nullptr, &timeout) > 0) {
        for (std::size_t index = 0; index < sockets.size(); ++index) {
            if (FD_ISSET(Native(sockets[index]), &readable)) {
                return static_cast<int>(index);
            }
        }
    }
    return -1;
}

Socket acceptConnection(Socket listener) {
    return static_cast<Socket>(accept(Native(listener), nullptr, nullptr));
}

long receiveSome(Socket socket, char* buffer, std::size_t size) {
    return static_cast<long>(recv(Native(socket), buffer, static_cast<int>(size), 0));
}

bool startNetworkAndDisplay(int, int) {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}
void stopDisplay() {}

// A hidden window: FindWindowA finds hidden top-level windows too.
TitledWindow::TitledWindow(const std::string& title) {
    static const bool registered = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TraceTestWindow";
        return RegisterClassA(&windowClass) != 0;
    }();
    window = reinterpret_cast<std::uintptr_t>(
        registered ? CreateWindowExA(0, "TraceTestWindow", title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)
                   : nullptr);
}
TitledWindow::~TitledWindow() { DestroyWindow(reinterpret_cast<HWND>(window)); }

std::string resourceViewerScript() {
    HMODULE library = GetModuleHandleA("util.dll");
    HRSRC resource = library != nullptr ? FindResourceA(library, "VIEWER_SCRIPT", "TEXT") : nullptr;
    HGLOBAL loaded = resource != nullptr ? LoadResource(library, resource) : nullptr;
    return loaded != nullptr
               ? std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(library, resource))
               : std::string();
}

}  // namespace trace_test
