// A stand-in for the trace viewer's network side: accepts every connection on
// a loopback port and collects each connection's bytes, in order of acceptance.
#ifndef UTIL_TESTS_TRACE_LOOPBACK_LISTENER_H
#define UTIL_TESTS_TRACE_LOOPBACK_LISTENER_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "trace/trace_test_platform.h"

namespace trace_test {

class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    unsigned short port() const { return port_; }
    /// Closes every accepted connection as soon as it is accepted (a viewer that went away).
    void closeOnAccept() { closeOnAccept_ = true; }
    /// Waits until `lines` line feeds have arrived over all connections (or
    /// 5 s passed), then a little longer for stray extra bytes; returns the text
    /// of every connection so far.
    std::vector<std::string> waitForLines(std::size_t lines);
    /// What has arrived so far, after a short quiet period.
    std::vector<std::string> settle();

private:
    void serve();

    Socket listener_ = kNoSocket;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> closeOnAccept_{false};
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<std::string> received_;
    std::thread server_;
};

}  // namespace trace_test

#endif
