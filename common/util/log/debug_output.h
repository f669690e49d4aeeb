// Internal pieces of the debugger output and the side log, reached by the
// tests directly. Their platform halves are in log/log_platform.h.
#ifndef UTIL_LOG_DEBUG_OUTPUT_H
#define UTIL_LOG_DEBUG_OUTPUT_H

#include <cstdarg>
#include <cstddef>
#include <cstdio>

namespace util {

/// Sends a text through the current sink (see setDebugOutputSink).
void debugOutput(const char* text);

/// The capacity of a dump line, terminator included.
const std::size_t kDumpLineSize = 80;

/// Writes one dump line (without the two leading spaces or the line end) for
/// count bytes (1 to 16) at offset into line, terminated.
void formatDumpLine(char (&line)[kDumpLineSize], unsigned long offset, const unsigned char* bytes, unsigned int count);

/// qvd_log's work on any path: format, open, write, close, with its messages on
/// standard output. Returns 0 or -1.
int appendSideLog(const char* path, const char* format, std::va_list arguments);

/// Writes text to an open stream and closes it. Returns 0, or -1 after printing
/// "fputs err\n" when the write, the flush or the close failed.
int writeSideLog(std::FILE* stream, const char* text);

}  // namespace util

#endif
