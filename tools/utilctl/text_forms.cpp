// Text forms shared by several utilctl commands.
#include "text_forms.h"

#include <cstdio>
#include <cstring>

namespace utilctl {

// Strict dotted quad (four decimal parts 0-255) to network byte order in memory,
// the form the look-ups take.
bool parseAddress(const char* text, unsigned long* ip) {
    unsigned char bytes[4];
    const char* position = text;
    for (int part = 0; part < 4; ++part) {
        if (part > 0 && *position++ != '.') return false;
        unsigned value = 0;
        int digits = 0;
        while (*position >= '0' && *position <= '9') {
            if (++digits > 3) return false;
            value = value * 10 + static_cast<unsigned>(*position++ - '0');
        }
        if (digits == 0 || value > 255) return false;
        bytes[part] = static_cast<unsigned char>(value);
    }
    if (*position != '\0') return false;
    unsigned int address;  // 32 bits on both targets
    std::memcpy(&address, bytes, sizeof address);
    *ip = address;
    return true;
}

void formatAddress(unsigned long ip, char* text, std::size_t size) {
    unsigned int address = static_cast<unsigned int>(ip);
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    std::snprintf(text, size, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
}

const char* releaseName(_OS_TYPE release) {
    static const char* const kNames[] = {"OS_UNKNOWN", "OS_WIN95", "OS_WIN98",   "OS_WINME", "OS_WINNT351", "OS_WINNT4",
                                         "OS_WIN2000", "OS_WINXP", "OS_WIN2003", "OS_VISTA", "OS_WIN7",     "OS_WIN8"};
    const int value = static_cast<int>(release);
    return value >= 0 && value <= 11 ? kNames[value] : "?";
}

}  // namespace utilctl
