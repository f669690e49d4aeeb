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
    DebugCapture() : previous_(util::setDebugOutputSink(&DebugCapture::record)) { texts().clear(); }
    ~DebugCapture() { util::setDebugOutputSink(previous_); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::vector<std::string> lines() const {
        std::lock_guard<std::mutex> hold(mutex());
        return texts();
    }

private:
    static void record(const char* text) {
        std::lock_guard<std::mutex> hold(mutex());
        texts().push_back(text);
    }
    static std::vector<std::string>& texts() {
        static std::vector<std::string> all;
        return all;
    }
    static std::mutex& mutex() {
        static std::mutex lock;
        return lock;
    }

    util::DebugOutputSink previous_;
};

}  // namespace util_test

#endif
