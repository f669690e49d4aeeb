// Windows error texts: FormatMessageA for system codes, util.dll's string table
// for Winsock codes; texts live on the local heap.
#include <cstring>

#include "log/log_platform.h"
#include "library/module_handle.h"
#include "platform/win_include.h"

namespace util {

namespace {

const DWORD kFormatFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
static_assert(kFormatFlags == 0x1300, "FormatMessageA flags");
const DWORD kUserDefaultLanguage = 0x0400;
const int kLoadBufferSize = 1024;

}  // namespace

unsigned long threadLastError() { return GetLastError(); }

unsigned long threadSocketError() { return static_cast<unsigned long>(WSAGetLastError()); }

char* formatSystemErrorText(unsigned long code) {
    char* text = nullptr;
    const DWORD length =
        FormatMessageA(kFormatFlags, nullptr, code, kUserDefaultLanguage, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    if (length == 0) {
        if (text != nullptr) {
            LocalFree(text);
        }
        return nullptr;
    }
    return text;
}

char* loadSocketErrorText(unsigned long code) {
    void* module = moduleHandle();
    // String resource ids are 16 bits: a larger code would alias a listed one.
    if (module == nullptr || code > 0xFFFF) {
        return nullptr;
    }
    char buffer[kLoadBufferSize];
    const int length = LoadStringA(static_cast<HINSTANCE>(module), static_cast<UINT>(code), buffer, kLoadBufferSize);
    if (length <= 0) {
        return nullptr;
    }
    char* text = static_cast<char*>(LocalAlloc(LMEM_ZEROINIT, static_cast<SIZE_T>(length) + 1));
    if (text == nullptr) {
        return nullptr;
    }
    std::memcpy(text, buffer, static_cast<std::size_t>(length) + 1);
    return text;
}

void releaseErrorText(char* text) { LocalFree(text); }

}  // namespace util
