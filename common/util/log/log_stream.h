// The log file while one record (or one rotation) is written: formatted pieces
// gather in a buffer on the stack and reach the file in as few writes as
// possible when the stream closes, so a record costs one open, one size query,
// one write and one close.
#ifndef UTIL_LOG_LOG_STREAM_H
#define UTIL_LOG_LOG_STREAM_H

#include <cstdarg>
#include <cstddef>

namespace util {

class LogStream {
public:
    LogStream();
    /// Closes what is open, then opens path for appending (text mode on
    /// Windows) and reads its size. Returns isOpen().
    bool open(const char* path);
    /// Writes what is gathered and closes the file.
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    bool isOpen() const { return descriptor_ >= 0; }
    /// The file's size when it was opened; -1 when it could not be read.
    long long sizeAtOpen() const { return sizeAtOpen_; }

    /// Formats like fprintf and returns what fprintf would: the characters
    /// produced, or a negative value when the format fails.
    int print(const char* format, ...) __attribute__((format(printf, 2, 3)));
    int printList(const char* format, std::va_list arguments);

    /// Writes what is gathered and closes the file now.
    void close();

private:
    void flush();
    void append(const char* text, std::size_t size);

    int descriptor_;
    long long sizeAtOpen_;
    std::size_t used_;
    char buffer_[4096];
};

}  // namespace util

#endif
