// The viewer window look-up on Windows: any top-level window with that title.
#include "trace/trace_platform.h"

#include "platform/win_include.h"

namespace util {
namespace trace {

bool viewerWindowExists(const char* title) { return FindWindowA(nullptr, title) != nullptr; }

}  // namespace trace
}  // namespace util
