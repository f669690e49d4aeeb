// FunctionCallTracer: the line prefix, the entry and exit lines, banners and
// the caller's own texts, each sent on the thread's viewer connection.
// The exported constructor and destructor are defined here, out of line.
#define UTIL_TRACE_TRACER_OUT_OF_LINE
#include "trace/function_call_tracer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/thread.h"
#include "trace/trace_platform.h"
#include "trace/trace_record.h"

namespace {

// Every send formats into a buffer of this size on the stack.
constexpr std::size_t kTextBufferSize = 32768;

// Formats into buffer and returns the number of bytes to send. A text that does
// not fit is cut to the buffer; when the format ends with a line feed, the cut
// text keeps one as its last byte so that the line still ends.
std::size_t formatText(char (&buffer)[kTextBufferSize], const char* format, std::va_list arguments) {
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    if (length < 0) {
        return 0;
    }
    if (static_cast<std::size_t>(length) < sizeof buffer) {
        return static_cast<std::size_t>(length);
    }
    const std::size_t kept = sizeof buffer - 1;
    const std::size_t formatLength = std::strlen(format);
    if (formatLength > 0 && format[formatLength - 1] == '\n') {
        buffer[kept - 1] = '\n';
    }
    return kept;
}

void sendFormatted(const TraceThreadRecord* record, const char* format, ...) __attribute__((format(printf, 2, 3)));

void sendFormatted(const TraceThreadRecord* record, const char* format, ...) {
    char buffer[kTextBufferSize];
    std::va_list arguments;
    va_start(arguments, format);
    const std::size_t length = formatText(buffer, format, arguments);
    va_end(arguments);
    util::trace::sendToViewer(record->sock, buffer, length);
}

// The prefix of a line at the record's current depth; sent without a sleep.
void sendPrefix(const TraceThreadRecord* record) {
    if (trace_to_viewer != 1) {
        return;
    }
    const util::platform::LocalTime now = util::platform::localTimeNow();
    sendFormatted(record, "%d thread-%d %02d:%02d:%02d.%03d %d %*.*s ", static_cast<int>(record->pid),
                  static_cast<int>(record->tid), now.hour, now.minute, now.second, now.millisecond, record->depth / 2,
                  static_cast<int>(record->depth), static_cast<int>(record->depth), "");
}

}  // namespace

FunctionCallTracer::FunctionCallTracer(const char* name) : function_name(name), thread_record(nullptr) {
    return_value[0] = '\0';
    if (trace_flag != 0 && name != nullptr) {
        Enter();
    }
}

FunctionCallTracer::~FunctionCallTracer() {
    if (thread_record != nullptr && function_name != nullptr) {
        Leave();
    }
}

void FunctionCallTracer::Enter() {
    thread_record = util::trace::threadRecord();
    if (thread_record == nullptr) {
        return;
    }
    sendPrefix(thread_record);
    DebugOutputp("Entering %s\n", function_name);
    thread_record->depth += 2;
}

void FunctionCallTracer::Leave() {
    thread_record->depth -= 2;
    sendPrefix(thread_record);
    if (return_value[0] == '\0') {
        DebugOutputp("Leaving %s\n", function_name);
    } else {
        DebugOutputp("Leaving %s, return %s\n", function_name, return_value);
    }
}

FunctionCallTracer& FunctionCallTracer::operator=(const FunctionCallTracer& other) {
    function_name = other.function_name;
    std::memcpy(return_value, other.return_value, sizeof return_value);
    thread_record = other.thread_record;
    return *this;
}

void FunctionCallTracer::PrintFunctionBanner(int mode) {
    if (thread_record == nullptr || function_name == nullptr) {
        return;
    }
    sendPrefix(thread_record);
    if (mode != 1) {
        return;
    }
    if (banner_flag == 1) {
        DebugOutputp("%s: ", function_name);
    } else {
        DebugOutputp("| ");
    }
}

void FunctionCallTracer::SetReturnValue(const char* text) {
    if (text == nullptr) {
        return;
    }
    // Reads at most 255 characters, so a long or unterminated text is cut, never overrun.
    const void* end = std::memchr(text, '\0', sizeof return_value - 1);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : sizeof return_value - 1;
    std::memmove(return_value, text, length);
    return_value[length] = '\0';
}

void FunctionCallTracer::DebugOutputp(const char* format, ...) {
    if (thread_record == nullptr || trace_to_viewer != 1 || function_name == nullptr || format == nullptr) {
        return;
    }
    char buffer[kTextBufferSize];
    std::va_list arguments;
    va_start(arguments, format);
    const std::size_t length = formatText(buffer, format, arguments);
    va_end(arguments);
    util::trace::sendToViewer(thread_record->sock, buffer, length);
    util::platform::sleepMilliseconds(1);
}
