#include "trace/trace_harness.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace trace_test {

std::vector<std::string> collect(Socket listener, const std::function<void()>& body, std::size_t lines,
                                 bool closeOnAccept, std::size_t* ended) {
    using Clock = std::chrono::steady_clock;
    std::vector<std::string> received;
    std::vector<Socket> sockets{listener};  // sockets[i + 1] fills received[i]; kNoSocket once closed
    std::atomic<bool> bodyEnded{false};
    std::size_t closedByPeer = 0;
    std::thread traced([&] {
        body();
        bodyEnded = true;
    });
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    auto lastActivity = Clock::now();
    std::size_t count = 0;
    while (!bodyEnded || Clock::now() - lastActivity < std::chrono::milliseconds(100) ||
           (count < lines && Clock::now() < deadline)) {
        const int ready = waitReadable(sockets, 20);
        if (ready < 0) {
            continue;
        }
        lastActivity = Clock::now();
        if (ready == 0) {
            const Socket accepted = acceptConnection(listener);
            received.emplace_back();
            sockets.push_back(closeOnAccept ? (closeSocket(accepted), kNoSocket) : accepted);
            continue;
        }
        const std::size_t index = static_cast<std::size_t>(ready);
        char buffer[65536];
        const long got = receiveSome(sockets[index], buffer, sizeof buffer);
        if (got <= 0) {
            closedByPeer += got == 0 ? 1 : 0;
            closeSocket(sockets[index]);
            sockets[index] = kNoSocket;
            continue;
        }
        received[index - 1].append(buffer, static_cast<std::size_t>(got));
        count += static_cast<std::size_t>(std::count(buffer, buffer + got, '\n'));
    }
    traced.join();
    std::for_each(sockets.begin() + 1, sockets.end(), closeSocket);
    if (ended != nullptr) {
        *ended = closedByPeer;
    }
    return received;
}

}  // namespace trace_test
