// The library's version, as the headers a client compiles against describe it.
#ifndef UTIL_VERSION_H
#define UTIL_VERSION_H

#define UTIL_VERSION_MAJOR 1
#define UTIL_VERSION_MINOR 0
#define UTIL_VERSION_PATCH 0
#define UTIL_VERSION_STRING "1.0.0"

#endif
