// Reads the exact texts that DbgPrint sends, through the replaceable sink.
#ifndef UTIL_TESTS_LOG_DEBUG_CAPTURE_H
#define UTIL_TESTS_LOG_DEBUG_CAPTURE_H

#include <mutex>
#include <string>
#include <vector>

#include "log/debug_print.h"

namespace util_test {

/// Installs a capturing sink for its lifetime and restores the previous one.
class DebugCapture {
public:
    DebugCapture() : previous_(util::setDebugOutputSink(&record)) { lines().clear(); }
    ~DebugCapture() { util::setDebugOutputSink(previous_); }

    /// Every text sent since construction; read it once the senders have finished.
    static std::vector<std::string>& lines() {
        static std::vector<std::string> all;
        return all;
    }

private:
    static void record(const char* text) {
        static std::mutex lock;
        std::lock_guard<std::mutex> hold(lock);
        lines().push_back(text);
    }
    util::DebugOutputSink previous_;
};

}  // namespace util_test

#endif
