#include "trace/loopback_listener.h"

#include <algorithm>
#include <chrono>

namespace trace_test {

LoopbackListener::LoopbackListener() {
    listener_ = listenOnLoopback(&port_);
    if (listener_ != kNoSocket) {
        server_ = std::thread(&LoopbackListener::serve, this);
    }
}

LoopbackListener::~LoopbackListener() {
    stopping_ = true;
    if (server_.joinable()) {
        server_.join();
    }
    closeSocket(listener_);
}

void LoopbackListener::serve() {
    std::vector<Socket> sockets{listener_};
    std::vector<int> connectionIndex{-1};  // position in received_ of each socket
    char buffer[65536];
    while (!stopping_) {
        const int ready = waitReadable(sockets, 20);
        if (ready < 0) {
            continue;
        }
        if (ready == 0) {
            const Socket accepted = acceptConnection(listener_);
            if (accepted == kNoSocket) {
                continue;
            }
            std::lock_guard<std::mutex> hold(lock_);
            received_.emplace_back();
            if (closeOnAccept_) {
                closeSocket(accepted);
            } else {
                sockets.push_back(accepted);
                connectionIndex.push_back(static_cast<int>(received_.size()) - 1);
            }
            changed_.notify_all();
            continue;
        }
        const long count = receiveSome(sockets[ready], buffer, sizeof buffer);
        if (count <= 0) {
            closeSocket(sockets[ready]);
            sockets.erase(sockets.begin() + ready);
            connectionIndex.erase(connectionIndex.begin() + ready);
            continue;
        }
        std::lock_guard<std::mutex> hold(lock_);
        received_[connectionIndex[ready]].append(buffer, static_cast<std::size_t>(count));
        changed_.notify_all();
    }
    for (std::size_t index = 1; index < sockets.size(); ++index) {
        closeSocket(sockets[index]);
    }
}

std::vector<std::string> LoopbackListener::waitForLines(std::size_t lines) {
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait_for(hold, std::chrono::seconds(5), [&] {
        std::size_t count = 0;
        for (const std::string& text : received_) {
            count += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
        }
        return count >= lines;
    });
    hold.unlock();
    return settle();
}

std::vector<std::string> LoopbackListener::settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard<std::mutex> hold(lock_);
    return received_;
}

}  // namespace trace_test
