// DbgPrint, DumpData and qvd_log: formatting into stack buffers, then one sink
// (debugger) or one append (side log).
#include "log/debug_print.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "log/debug_output.h"
#include "log/log_platform.h"

namespace {

const std::size_t kDebugTextSize = 65536;
const std::size_t kSideLogTextSize = 4096;
const char kHexDigits[] = "0123456789ABCDEF";

std::atomic<util::DebugOutputSink> currentSink{&util::platformDebugOutput};

bool isShownAsIs(unsigned char byte) { return byte >= 0x20 && byte <= 0x7E; }

}  // namespace

namespace util {

void debugOutput(const char* text) { currentSink.load()(text); }

DebugOutputSink setDebugOutputSink(DebugOutputSink sink) {
    return currentSink.exchange(sink != nullptr ? sink : &platformDebugOutput);
}

void formatDumpLine(char (&line)[kDumpLineSize], unsigned long offset, const unsigned char* bytes, unsigned int count) {
    if (count > 16) {
        count = 16;
    }
    std::memset(line, ' ', sizeof line);
    for (int digit = 0; digit < 4; ++digit) {
        line[3 - digit] = kHexDigits[(offset >> (4 * digit)) & 0xF];
    }
    for (unsigned int index = 0; index < count; ++index) {
        line[6 + 3 * index] = kHexDigits[bytes[index] >> 4];
        line[7 + 3 * index] = kHexDigits[bytes[index] & 0xF];
        line[56 + index] = isShownAsIs(bytes[index]) ? static_cast<char>(bytes[index]) : '.';
    }
    line[56 + count] = '\0';
}

int writeSideLog(std::FILE* stream, const char* text) {
    const bool written = std::fputs(text, stream) != EOF;
    const bool flushed = written && std::fflush(stream) == 0;
    const bool closed = std::fclose(stream) == 0;
    if (!written || !flushed || !closed) {
        std::fputs("fputs err\n", stdout);
        return -1;
    }
    return 0;
}

int appendSideLog(const char* path, const char* format, std::va_list arguments) {
    if (format == nullptr) {
        return -1;
    }
    char text[kSideLogTextSize];
    std::memset(text, 0, sizeof text);
    std::FILE* stream = openSideLog(path);
    if (stream == nullptr) {
        std::fputs("fopen err\n", stdout);
        return -1;
    }
    if (std::vsnprintf(text, sizeof text, format, arguments) < 0) {
        std::fclose(stream);
        return -1;
    }
    return writeSideLog(stream, text);
}

}  // namespace util

int DbgPrint(const char* format, ...) {
    if (format == nullptr) {
        return -1;
    }
    char text[kDebugTextSize];
    std::va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length < 0) {
        return -1;
    }
    text[sizeof text - 1] = '\0';  // a text of exactly 65,536 characters is cut too
    util::debugOutput(text);
    return static_cast<std::size_t>(length) > sizeof text ? -1 : length;
}

void DumpData(const char* title, const char* data, unsigned int size) {
    DbgPrint("%s, Size = %lu - 0x%lx\n", title != nullptr ? title : "(null)", static_cast<unsigned long>(size),
             static_cast<unsigned long>(size));
    if (data == nullptr) {
        return;
    }
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(data);
    char line[util::kDumpLineSize];
    for (unsigned long long offset = 0; offset < size; offset += 16) {
        const unsigned long long left = size - offset;
        util::formatDumpLine(line, static_cast<unsigned long>(offset), bytes + offset,
                             left < 16 ? static_cast<unsigned int>(left) : 16);
        DbgPrint("  %s\n", line);
    }
}

int qvd_log(const char* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const int result = util::appendSideLog(util::kSideLogPath, format, arguments);
    va_end(arguments);
    return result;
}
