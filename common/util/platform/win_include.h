// The one place that includes <windows.h>: every *_win.cpp includes this header
// instead, so the lean-and-mean set, NOMINMAX and the target version are the same
// everywhere and Winsock 2 comes before windows.h.
#ifndef UTIL_PLATFORM_WIN_INCLUDE_H
#define UTIL_PLATFORM_WIN_INCLUDE_H

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0601
#endif

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#endif
