// Load and unload of libutil.so: the module handle is the library's load
// address while it is loaded, null before and after.
#include <dlfcn.h>

#include "library/module_handle.h"

namespace {

__attribute__((constructor)) void onLibraryLoad() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&onLibraryLoad), &info) != 0 && info.dli_fbase != nullptr) {
        util::setModuleHandle(info.dli_fbase);
    }
}

__attribute__((destructor)) void onLibraryUnload() { util::setModuleHandle(nullptr); }

}  // namespace
