// The one place that includes <windows.h>: every *_win.cpp includes this header
// instead, so the lean-and-mean set, NOMINMAX and the target version are the same
// everywhere and Winsock 2 comes before windows.h.
//
// The build passes WIN32_LEAN_AND_MEAN, NOMINMAX and _WIN32_WINNT=0x0601 to every
// Windows file (top-level CMakeLists.txt). This header does not set them itself:
// a header included earlier (any C++ standard header under mingw) would already
// have fixed mingw's own default for _WIN32_WINNT, and a file would then compile
// against a different Windows version than its neighbours. So it checks them and
// stops the build on a mismatch.
#ifndef UTIL_PLATFORM_WIN_INCLUDE_H
#define UTIL_PLATFORM_WIN_INCLUDE_H

// Brings in mingw's defaults, so that a missing build definition shows up below
// as mingw's value rather than passing unnoticed.
#include <_mingw.h>

#define UTIL_WIN32_WINNT 0x0601

#ifndef WIN32_LEAN_AND_MEAN
#error "WIN32_LEAN_AND_MEAN must come from the build (target compile definitions)"
#endif
#ifndef NOMINMAX
#error "NOMINMAX must come from the build (target compile definitions)"
#endif
#if !defined(_WIN32_WINNT) || _WIN32_WINNT != UTIL_WIN32_WINNT
#error "_WIN32_WINNT must be 0x0601, passed by the build before any header"
#endif

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#endif
