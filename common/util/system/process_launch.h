// Command-line splitting and program start.
//
//   int count = 0;
//   char** argv = CommandLineToArgv("copy 'a b.txt' c.txt", &count);   // 3: copy, a b.txt, c.txt
//   ...
//   free(argv);                                   // one block: the strings live inside it
//   Exec("notepad.exe log.txt", nullptr, 1, 0);   // start, do not wait
//   StartInternetExplorer("https://example.com/");
//
// CommandLineToArgv's rules: only the space separates arguments (tabs are
// ordinary characters) and runs of spaces count as one; an argument starting
// with a double or single quote runs to the next quote of the same kind, which
// is removed, and the character after it starts the next argument; a quote
// elsewhere is an ordinary character; there is no escape character; an
// unterminated quote takes the rest of the line; trailing spaces give no
// argument, but a leading space gives an empty first argument.
//
// The block: 32 char pointers, then the int count, then the copy of the line
// that the arguments are cut from. While fewer than 32 arguments were found, the
// element after the last argument is null.
//
// Platform differences:
//  - Exec on Windows: CreateProcessA with the whole command line, a new console
//    for console programs, no inherited handles, the window shown (show 1) or
//    hidden. On POSIX: the whole line is split by CommandLineToArgv's rules
//    (every argument, not only the first 32) and the first argument is started
//    with posix_spawnp (searched in PATH, no shell) with the caller's
//    environment. A program named with a '/' but not from the root ("./tool",
//    "bin/tool") is found from the caller's current directory, not from the
//    directory the child starts in, as CreateProcessA finds it; descriptors above 2 are closed in the child
//    (like Windows' no handle inheritance); show plays no part (no windows), and
//    the child shares the caller's standard streams (there is no new console).
//    The failure line's error number is GetLastError() on Windows and the error
//    number that posix_spawnp reports (an errno value) on POSIX; an empty command
//    line fails with ENOENT.
//  - StartInternetExplorer on Windows: ShellExecuteA "open". On POSIX the target is
//    handed to the desktop's opener, xdg-open, as one argument (no shell), and
//    the call waits for xdg-open to finish (waitpid, retried only when a signal
//    interrupts it). Its outcome stands in for ShellExecuteA's result: 42 when
//    xdg-open exits with 0; its exit status when that is 1 to 32 (xdg-open uses
//    1 syntax, 2 not found, 3 no handler, 4 failed); 32 for a larger status or
//    death by a signal; 0 when xdg-open could not be started at all. When the
//    program ignores SIGCHLD the system reaps xdg-open itself and waitpid
//    fails with ECHILD: its outcome is unknown, and the call counts it as
//    started (42).
//
// Choices where the design leaves one:
//  - More than 32 arguments: CommandLineToArgv keeps the first 32, the count is
//    32 and the rest of the line is ignored; with 32 arguments no null element
//    follows them. Exec is not bound by that limit: it passes the whole line.
//  - A null command line splits like an empty one (count 0); a null count
//    pointer is allowed (the count is still stored in the block).
//  - Exec with a null directory on Windows uses _getcwd's 260-byte buffer; when
//    the current directory is longer, it passes no directory, which starts the
//    program in the caller's current directory all the same. POSIX passes no
//    directory in that case either, so there is no length limit.
//  - Exec with wait other than 1 on POSIX: one thread of the library, started
//    with the first such child, collects every child nobody waits for, so none
//    stays a zombie process; their exit statuses are dropped. When that thread
//    cannot be started, Exec starts nothing and fails with the error of the
//    attempt (EAGAIN, ENOMEM, ...). It is stopped when the library is unloaded.
//    A forked child of the caller starts its own when it needs one.
//  - Windows: Exec copies the command line (CreateProcessA may write to it)
//    into a malloc'd buffer; when there is no memory it fails with
//    ERROR_NOT_ENOUGH_MEMORY (8) before starting anything.
//  - Text arguments are const char*: nothing writes through them.
#ifndef UTIL_SYSTEM_PROCESS_LAUNCH_H
#define UTIL_SYSTEM_PROCESS_LAUNCH_H

#include "platform/export.h"

/// Splits commandLine into the argument block (free it with free). Returns null,
/// with *count 0, when memory is exhausted.
UTIL_API char** CommandLineToArgv(const char* commandLine, int* count);

/// Starts the program of commandLine in directory (null: the current one); waits
/// for its end when wait is 1. Returns 1 when it started, else 0 after sending
/// "CreateProcess(<command line>) fail, error <code>" through DbgPrint.
UTIL_API int Exec(const char* commandLine, const char* directory, int show, int wait);

/// Opens a URL or document with the handler the system associates with it and
/// sends "StartInternetExplorer: pUrl <url>, return <result>\n" through DbgPrint.
/// Returns 1 when the result is greater than 32, else 0.
UTIL_API int StartInternetExplorer(const char* url);

#endif
