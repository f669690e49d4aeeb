// FunctionCallTracer: a scope object that traces a function's entry and exit.
//
// Place one at the top of a function. While tracing is on, its construction
// sends "Entering <name>" and its destruction "Leaving <name>" (with the return
// text, when one was set) to the trace viewer, indented two spaces per nesting
// level of the calling thread; in between the function may send texts of its
// own through the same object. Each thread keeps one TraceThreadRecord (its ids,
// its nesting depth and its own TCP connection to the viewer) in thread-local
// storage from its first active tracer on; the record is never freed, and its
// connection is closed when the thread ends.
//
//   void Connect(const char* host) {
//       FunctionCallTracer trace("Connect");
//       trace.PrintFunctionBanner(1);
//       trace.DebugOutputp("host %s\n", host);
//       trace.SetReturnValue("ok");
//   }
//   // 1200 thread-1404 14:07:09.042 0  Entering Connect
//   // 1200 thread-1404 14:07:09.043 1   | host gw.example
//   // 1200 thread-1404 14:07:09.044 0  Leaving Connect, return ok
//
// Every line goes out in two sends on the thread's connection: the prefix
// "%d thread-%d %02d:%02d:%02d.%03d %d %*.*s " (process id, thread id, local time
// to the millisecond, level = depth / 2, `depth` spaces), then the message.
//
// Switching tracing on. The library never changes trace_flag, trace_to_viewer or
// viewer_title: they are exported as data and the client program sets them
// before its first traced call, e.g.
//   trace_flag = 1; trace_to_viewer = 1;
//   std::snprintf(viewer_title, sizeof viewer_title, "Trace Viewer - %s", app);
// A thread connects once, when its record is made: only when trace_to_viewer is
// 1 and a window titled exactly viewer_title exists at that moment. A thread
// that traced first without that window never connects later.
// Settings are plain variables without a lock; set them before starting threads
// that trace. out_to_console is stored for the client and read by nothing here.
//
// Platform differences.
//  - Windows looks the window up with FindWindowA(NULL, viewer_title) and
//    connects a Winsock TCP socket to 127.0.0.1:viewer_port; the process must
//    have called WSAStartup first (the tracer does not), or no socket is made.
//  - POSIX looks for a top-level X11 window whose WM_NAME or _NET_WM_NAME equals
//    viewer_title (a child of the root window, or the client window inside a
//    window manager's frame), on the display that DISPLAY names, through libxcb
//    loaded at run time; without libxcb or a display there is no window. It
//    uses a BSD socket and sends with MSG_NOSIGNAL, so a viewer that went away
//    never raises SIGPIPE in the traced process.
//  - No display problem ends or stalls the traced process: an X server that
//    goes away during the look-up makes it find no window (libxcb reports the
//    broken connection; Xlib would call exit()), all replies are awaited for at
//    most 2 s, a display on another host is probed with a 500 ms connect
//    time-out (a host name is first resolved by the system's resolver, with
//    its own time-outs), and a display that could not be reached is not tried again for
//    30 s (threads that start meanwhile find no window at once, and never
//    connect, as when the viewer is absent). A server that accepts the
//    connection but never completes the X handshake is not covered.
//  - TraceThreadRecord::sock is a SOCKET on Windows and a file descriptor on
//    POSIX; both are held as std::uintptr_t, all bits set meaning "none".
//
// Connections and processes (POSIX and Windows alike unless marked):
//  - A thread's connection is closed when the thread ends (POSIX: a thread_local
//    destructor, which runs for every thread; Windows: DLL_THREAD_DETACH). The
//    record stays, without a socket.
//  - The socket is not inherited by programs the process starts (POSIX:
//    SOCK_CLOEXEC; Windows: not inheritable).
//  - POSIX fork: the child closes every tracer connection it inherited and
//    forgets its thread's record, so its first tracer makes a record of its own,
//    with the child's ids and, when the viewer window exists, its own connection.
//    Tracer objects alive across the fork keep working in the child but send
//    nothing. The tracer's locks are taken across fork, so a child never starts
//    with one held.
//
// Cost: with GCC a silent tracer (tracing off) is a load of trace_flag and three
// stores at construction and a test of two fields at destruction, all compiled
// into the caller; no call is made.
//
// Choices where the design leaves one:
//  - Names, return texts and formats are taken as const char*: the tracer never
//    writes through them, and string literals can be passed as they are.
//  - Texts that would take 32,768 bytes or more with their NUL (a formatted
//    DebugOutputp text, an "Entering"/"Leaving" line with a very long name or
//    return text, a prefix at a huge depth) are cut to fit: at most 32,767 bytes
//    are sent, and when the format ends with a line feed the cut text still ends
//    with one, so the viewer's line structure survives.
//  - SetReturnValue keeps the first 255 characters of a longer text, followed by
//    the NUL; nothing beyond return_value's 256 bytes is read into it.
//  - viewer_title is a 256-byte array; the look-up reads at most its first 255
//    characters, so an unterminated title cannot overrun it.
//  - Records are never freed (a later tracer on the same thread finds them), but
//    every record also stays on one process-wide list, so leak checkers see
//    them as reachable rather than lost.
//  - Failures are silent, as for every tracer operation: a failed look-up,
//    socket, connect or send leaves the object working and sending nothing.
#ifndef UTIL_TRACE_FUNCTION_CALL_TRACER_H
#define UTIL_TRACE_FUNCTION_CALL_TRACER_H

#include <cstdint>

#include "platform/export.h"

/// Tracing happens while nonzero. Initially 0; set only by the client.
extern UTIL_API int trace_flag;
/// Lines are sent only while exactly 1. Initially 0; set only by the client.
extern UTIL_API int trace_to_viewer;
/// The title of the viewer window that a new thread record looks for. Initially empty.
extern UTIL_API char viewer_title[256];
/// The viewer's TCP port on 127.0.0.1. Initially 8888.
extern UTIL_API unsigned short viewer_port;
/// PrintFunctionBanner(1) sends "<name>: " when exactly 1, else "| ". Initially 0.
extern UTIL_API int banner_flag;
/// Stored for the client only. Initially 1.
extern UTIL_API int out_to_console;

/// out_to_console := 1.
UTIL_API void DbgOutToConsole();
/// out_to_console := 0.
UTIL_API void DbgOutToDebugger();
/// banner_flag := 1.
UTIL_API void DbgFunctionBannerOn();
/// banner_flag := 0.
UTIL_API void DbgFunctionBannerOff();

/// One per thread, made by the thread's first active tracer.
struct TraceThreadRecord {
    std::uint32_t pid;
    std::uint32_t tid;
    std::int32_t depth;   // indentation in columns: 2 per nesting level
    std::uintptr_t sock;  // the connection to the viewer; all bits set when none was attempted
};

/// The value of TraceThreadRecord::sock when the thread has no connection.
constexpr std::uintptr_t kTraceNoSocket = ~static_cast<std::uintptr_t>(0);

// With GCC the constructor's and destructor's silent path is compiled into the
// caller (a load of trace_flag, or of the two fields, and the stores), so a
// silent tracer costs about a nanosecond; gnu_inline keeps the library's own
// out-of-line definitions as the exported ones, for callers built otherwise.
#if defined(__GNUC__) && !defined(__clang__) && !defined(UTIL_TRACE_TRACER_OUT_OF_LINE)
#define UTIL_TRACE_TRACER_INLINE 1
#else
#define UTIL_TRACE_TRACER_INLINE 0
#endif

class UTIL_API FunctionCallTracer {
public:
    /// Keeps `name` (not copied: it must outlive the object). When trace_flag is
    /// nonzero and name is not null, gets the thread's record (making it, and
    /// maybe the connection, on first use), sends the prefix (trace_to_viewer 1)
    /// and "Entering <name>\n", and deepens the thread's nesting by one level.
    /// Otherwise, or when no record can be made, the object is silent for life.
    /// When active: undoes the nesting, then sends the prefix and
    /// "Leaving <name>\n", or "Leaving <name>, return <text>\n" when a return text is set.
#if UTIL_TRACE_TRACER_INLINE
    __attribute__((gnu_inline)) inline explicit FunctionCallTracer(const char* name)
        : function_name(name), thread_record(nullptr) {
        return_value[0] = '\0';
        if (trace_flag != 0 && name != nullptr) {
            Enter();
        }
    }
    __attribute__((gnu_inline)) inline ~FunctionCallTracer() {
        if (thread_record != nullptr && function_name != nullptr) {
            Leave();
        }
    }
#else
    explicit FunctionCallTracer(const char* name);
    ~FunctionCallTracer();
#endif

    /// Field-wise copy: the name pointer, all 256 bytes of the return text and the
    /// record pointer. The copy then also undoes one nesting level when destroyed.
    FunctionCallTracer& operator=(const FunctionCallTracer& other);

    /// When active: sends the prefix; with mode 1 then "<name>: " (banner_flag 1) or
    /// "| ", which a following DebugOutputp completes. Other modes send the prefix alone.
    void PrintFunctionBanner(int mode);
    /// Copies text into return_value (cut to 255 characters); null changes nothing.
    /// Works on silent objects too.
    void SetReturnValue(const char* text);
    /// When active and trace_to_viewer is 1: sends the printf-formatted text (no
    /// prefix, no line feed added), then sleeps 1 ms.
    void DebugOutputp(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const char* function_name;
    char return_value[256];
    TraceThreadRecord* thread_record;  // null while silent

private:
    /// The active constructor's work: the record, the "Entering" line, the nesting.
    void Enter();
    /// The active destructor's work: the nesting, the "Leaving" line.
    void Leave();
};

#endif
