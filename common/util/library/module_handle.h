// The library's own module handle, recorded at load and cleared at unload.
// On Windows it is the DLL's instance handle (for LoadStringA); on POSIX the
// load address of libutil.so. It is null before load and after unload.
#ifndef UTIL_LIBRARY_MODULE_HANDLE_H
#define UTIL_LIBRARY_MODULE_HANDLE_H

namespace util {

void* moduleHandle();
void setModuleHandle(void* handle);

}  // namespace util

#endif
