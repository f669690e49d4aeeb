// POSIX error texts: strerror_r for errno values, the compiled-in table for
// Winsock codes; texts live on the malloc heap.
#include <errno.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "log/log_platform.h"
#include "library/module_handle.h"

namespace util {

namespace {

struct SocketErrorText {
    unsigned long code;
    const char* text;
};

// Generated from winsock_texts.txt, the list that util.dll's string table is made from.
const SocketErrorText kSocketErrorTexts[] = {
#include "log/winsock_texts.inc"
};

struct ErrnoToWinsock {
    int errnoValue;
    unsigned long winsockCode;
};

const ErrnoToWinsock kErrnoToWinsock[] = {
    {EINTR, 10004},         {EACCES, 10013},       {EFAULT, 10014},          {EINVAL, 10022},
    {EMFILE, 10024},        {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},
    {EALREADY, 10037},      {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},
    {ECONNABORTED, 10053},  {ECONNRESET, 10054},   {ENOBUFS, 10055},         {EISCONN, 10056},
    {ENOTCONN, 10057},      {ESHUTDOWN, 10058},    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},
    {EHOSTDOWN, 10064},     {EHOSTUNREACH, 10065},
};

// GNU strerror_r returns the text; the XSI one returns 0 and fills the buffer.
[[maybe_unused]] const char* chosenText(const char* result, const char* /*buffer*/) { return result; }
[[maybe_unused]] const char* chosenText(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }

char* copyToHeap(const char* text) {
    const std::size_t length = std::strlen(text);
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy != nullptr) {
        std::memcpy(copy, text, length + 1);
    }
    return copy;
}

}  // namespace

unsigned long threadLastError() { return static_cast<unsigned long>(errno); }

unsigned long threadSocketError() {
    const int value = errno;
    for (const ErrnoToWinsock& entry : kErrnoToWinsock) {
        if (entry.errnoValue == value) {
            return entry.winsockCode;
        }
    }
    return static_cast<unsigned long>(value);
}

char* formatSystemErrorText(unsigned long code) {
    if (code > static_cast<unsigned long>(INT_MAX)) {
        return nullptr;
    }
    char buffer[1024];
    buffer[0] = '\0';
    const char* text = chosenText(strerror_r(static_cast<int>(code), buffer, sizeof buffer), buffer);
    if (text == nullptr || text[0] == '\0' || std::strncmp(text, "Unknown error", 13) == 0) {
        return nullptr;
    }
    return copyToHeap(text);
}

const char* findSocketErrorText(unsigned long code) {
    for (const SocketErrorText& entry : kSocketErrorTexts) {
        if (entry.code == code) {
            return entry.text;
        }
    }
    return nullptr;
}

char* loadSocketErrorText(unsigned long code) {
    if (moduleHandle() == nullptr) {
        return nullptr;
    }
    const char* text = findSocketErrorText(code);
    return text != nullptr ? copyToHeap(text) : nullptr;
}

void releaseErrorText(char* text) { std::free(text); }

}  // namespace util
