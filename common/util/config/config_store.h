// The configuration store: sectioned key/value settings held in memory.
//
// A store is loaded from a text file of header lines ("[name]") and key lines
// ("key = value") with OpenConfig, or started empty with CreateConfig; it is read
// with GetConfig, changed with SetConfig, written out with DumpConfig to a stream
// the caller opened, and freed with CloseConfig. The handle is an untyped pointer
// that only CloseConfig frees. The store never writes its file by itself and does
// not remember where it was loaded from.
//
//   void* store = OpenConfig("client.conf");
//   char value[64]; int length = sizeof value - 1;
//   if (store && GetConfig(store, "net", "port", value, &length)) { ... }
//   SetConfig(store, "net", "port", "443");
//   FILE* out = fopen("client.conf", "wb"); DumpConfig(store, out); fclose(out);
//   CloseConfig(store);
//
// Names, keys and values are bytes, compared case-sensitively. Names are not
// unique: a second header of the same name gives a second section, a second key
// line a second entry; look-ups take the first match in order.
//
// Line rules of the loader. The file is read in binary mode, in pieces of at most
// 4094 bytes: a longer physical line is handled as several lines. Leading spaces
// and tabs are skipped, then:
//  - CR or LF: a blank line. '#': a comment (only at the start; ';' is no comment).
//  - '[': a header. Without any ']' in the line it closes the current section, so
//    key lines up to the next good header are dropped. Otherwise the name is the
//    first word after '[', words being separated by '[', ']', space and tab.
//  - Anything else: "key = value". The key ends at '=' or white space; after it
//    only white space may come before '=', else the line is dropped. The value is
//    the rest of the line without its leading and trailing white space (space,
//    tab, LF, VT, FF, CR). Key lines before the first header are dropped.
// DumpConfig writes "[name]\n" and "key = value\n" lines, so a dump reads back to
// the same store as long as no name or value has leading or trailing blanks and no
// key holds white space.
//
// Choices made where the design leaves one (all tested):
//  - "APP_HOME" fallback: the joined "APP_HOME/path" must fit in 255 characters;
//    a longer join is refused (OpenConfig returns null), never opened cut short.
//  - A header whose first word is empty or consists only of line-end characters
//    ("[]", "[  ]", "[]\r\n") names no section: it is treated like a header without
//    ']' (the key lines after it are dropped up to the next good header), and the
//    load goes on. Line ends (CR, LF) never become part of a section name, so a
//    dump always reads back.
//  - SetConfig prepares the new entry before it touches the store: when memory
//    runs out it returns 0 and the store, the old value included, is unchanged.
//  - The value argument of SetConfig is const: it is only read.
//  - SetConfig refuses what a dump would not read back as written (see there).
//  - DumpConfig with a null stream returns 0 rather than writing through it.
//
// Thread-safety: none inside. Distinct stores may be used on different threads; a
// store being changed must not be used by another thread at the same time.
#ifndef UTIL_CONFIG_CONFIG_STORE_H
#define UTIL_CONFIG_CONFIG_STORE_H

#include <cstdio>

#include "platform/export.h"

/// Loads the file at `path` ("rb"). When it cannot be opened, tries the path
/// joined to the value of the environment variable "APP_HOME" with '/'.
/// Only regular files are loaded: a directory, FIFO or device of that name counts
/// as missing (Linux would open a directory and a FIFO would block), and an empty
/// "APP_HOME" counts as unset (it would make a relative name one from the root).
/// Returns a new store (empty when the file has no usable line), or null for a
/// null path, a file that opens neither way, "APP_HOME" unset, a joined path
/// longer than 255 characters, or no memory for the store.
UTIL_API void* OpenConfig(const char* path);

/// A new empty store, or null when memory is exhausted.
UTIL_API void* CreateConfig();

/// Copies the value of the first entry `key` in the first section `section` that
/// holds it into `buffer`. On entry *length is the number of characters the buffer
/// takes besides its NUL (the buffer holds *length + 1 bytes).
/// Returns 1 when copied (*length = value length). Returns 0 with *length
/// unchanged when an argument is null; with *length = 0 when the key is absent;
/// with *length = the value's length, buffer untouched, when it does not fit.
UTIL_API int GetConfig(void* handle, const char* section, const char* key, char* buffer, int* length);

/// Sets `key` in the first section `section` (created at the end when missing).
/// An existing first entry of that key is removed and the new entry appended at
/// the end of the section. Returns 1, or 0 for a null argument or exhausted memory
/// (the store is then unchanged).
/// Also refused with 0, the store unchanged, is what DumpConfig could not write
/// so that it reads back as itself (a line break in a value would even add keys
/// or sections to the file): an empty section name, or one holding white space,
/// '[' or ']'; a key holding white space or '=', or starting with '#' or '[';
/// a value holding CR or LF, or starting or ending with white space; a header
/// line longer than 4094 characters ("[name]"), or a key line ("key = value").
/// White space is the loader's: space, tab, LF, VT, FF, CR.
UTIL_API int SetConfig(void* handle, const char* section, const char* key, const char* value);

/// Writes every section and entry to `stream` ("[%s]\n", "%s = %s\n"); neither
/// flushes nor closes it and does not check write errors. Returns 1, or 0 for a
/// null handle or stream.
UTIL_API int DumpConfig(void* handle, std::FILE* stream);

/// Frees the store and everything in it. Returns 1, or 0 for a null handle.
UTIL_API int CloseConfig(void* handle);

#endif
