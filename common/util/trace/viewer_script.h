// viewer_script: the trace viewer's complete Tcl/Tk script, carried by the library.
//
// The viewer is started as `wish <script file> APP PID PORT`: it listens on
// localhost:PORT, shows the trace lines of process PID one window per thread
// ("Trace Viewer - APP" is its main window's title, the one viewer_title must
// name), and Save writes each window to APP.process-PID-thread-TID.log. The
// library never reads, writes or runs the text; a program such as
// `utilctl viewer` writes it to a file and starts wish on it.
//
// Choices where the design leaves one:
//  - The text is the file viewer.tcl, copied byte for byte at build time, with a
//    NUL after it; its length is that of the file (strlen gives it).
//  - The script is pure ASCII: the thread windows' font, NSimSun, is named by its
//    Chinese family name written with Tcl \u escapes, so it reads the same whatever
//    the system encoding that wish uses for script files.
//  - The About box adds, after its given lines, one line on the windows and Save.
//  - Save writes the text shown in each window (each line with its line feed)
//    followed by one line feed.
//  - Connections are read without blocking: each readable event shows every
//    complete line that has arrived, and an incomplete line waits in Tcl's
//    buffer for its rest (a line sent in two pieces still reads as one), so a
//    client that sends part of a line and pauses holds up neither the other
//    connections nor the window and its buttons.
//  - util.dll also carries the text as the resource named "VIEWER_SCRIPT" of type
//    "TEXT" (without the NUL).
#ifndef UTIL_TRACE_VIEWER_SCRIPT_H
#define UTIL_TRACE_VIEWER_SCRIPT_H

#include "platform/export.h"

/// The script, NUL-terminated.
extern UTIL_API const char viewer_script[];
/// Points at viewer_script.
extern UTIL_API const char* const viewer_script_pointer;

#endif
