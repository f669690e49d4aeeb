// Debugger output, hex dumps and the fixed side log.
//
//   DbgPrint("connect %s:%d failed\n", host, port);   // one text to the debugger
//   DumpData("pkt", buffer, length);                  // header line + 16 bytes a line
//   qvd_log("state %d\n", state);                     // appended to the side log file
//
// Every text DbgPrint produces goes through one sink function, process-wide. The
// platform's own sink is OutputDebugStringA on Windows. On POSIX there is no
// debugger stream: the platform's sink sends each text to the system log
// (syslog, facility LOG_USER, priority LOG_DEBUG), or to standard error instead
// when the environment variable UTIL_DEBUG_OUTPUT is "stderr" when the first
// text is sent. setDebugOutputSink replaces the sink, so tools can print the
// lines and tests can read them exactly.
//
// Choices where the design leaves one:
//  - A null format sends nothing: DbgPrint and qvd_log return -1.
//  - DumpData with a null title prints "(null)" as the title; with null data it
//    prints the header line only. Its header prints the size unsigned.
//  - DumpData shows bytes 0x20 to 0x7E as themselves and every other byte as
//    '.', whatever locale the client program has set.
//  - qvd_log's file is "c:\qvd.log" on Windows and "/tmp/qvd.log" on POSIX. On
//    POSIX it is opened without following a symbolic link and only when it is a
//    regular file (anything else counts as a failed open, "fopen err"). A failed
//    flush or close counts as a failed write ("fputs err"), so a full disk is
//    never reported as success.
//
// Concurrency: any thread may call these at once. Lines of concurrent
// DumpData calls may interleave. The POSIX platform sink sends one text at a
// time under a lock that is taken around fork, so a child forked while another
// thread sends a text can send its own. Replacing the sink is atomic, but a text being
// sent at that moment may still reach the previous sink.
#ifndef UTIL_LOG_DEBUG_PRINT_H
#define UTIL_LOG_DEBUG_PRINT_H

#include "platform/export.h"

/// Formats into a 65,536-byte buffer and sends it to the debugger sink. A text
/// of more than 65,535 characters is sent cut to its first 65,535, always
/// terminated; no line end is added. Returns the formatted length, or -1 when
/// the text had more than 65,536 characters (or the format was null or invalid).
UTIL_API int DbgPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// Sends "<title>, Size = <n> - 0x<n>\n", then one line per 16 bytes:
/// "  OOOO  HH HH ... HH  cccc...\n" with the offset's low 16 bits in upper-case
/// hex, the bytes in upper-case hex, and the bytes as characters from column 56
/// of the line (without the two leading spaces), no trailing spaces.
UTIL_API void DumpData(const char* title, const char* data, unsigned int size);

/// Appends the formatted text (cut to 4,095 characters) to the side log file,
/// opening and closing it on every call. Returns 0, or -1 after printing exactly
/// "fopen err\n" or "fputs err\n" to standard output.
UTIL_API int qvd_log(const char* format, ...) __attribute__((format(printf, 1, 2)));

namespace util {

/// Receives each text that DbgPrint sends, terminated, without a line end added.
typedef void (*DebugOutputSink)(const char* text);

/// Makes sink the process-wide debugger sink and returns the previous one
/// (never null). A null sink restores the platform's own.
UTIL_API DebugOutputSink setDebugOutputSink(DebugOutputSink sink);

}  // namespace util

#endif
