// Windows debugger sink and side log.
#include <cstdio>

#include "log/debug_output.h"
#include "log/log_platform.h"
#include "platform/win_include.h"

namespace util {

const char* const kSideLogPath = "c:\\qvd.log";

void platformDebugOutput(const char* text) { OutputDebugStringA(text); }

std::FILE* openSideLog(const char* path) { return std::fopen(path, "a+"); }

}  // namespace util
