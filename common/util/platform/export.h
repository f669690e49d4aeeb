// UTIL_API marks what the library exports. util.dll exports it with
// __declspec(dllexport) and clients import it; libutil.so builds with hidden
// visibility, so only what carries UTIL_API is visible there too and both
// builds export the same set. UTIL_STATIC (the internal test library) drops it.
#ifndef UTIL_PLATFORM_EXPORT_H
#define UTIL_PLATFORM_EXPORT_H

#if defined(_WIN32)
#if defined(UTIL_STATIC)
#define UTIL_API
#elif defined(UTIL_BUILDING)
#define UTIL_API __declspec(dllexport)
#else
#define UTIL_API __declspec(dllimport)
#endif
#else
#define UTIL_API __attribute__((visibility("default")))
#endif

#endif
