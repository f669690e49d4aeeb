// Text forms shared by several utilctl commands: IPv4 addresses as the
// look-ups take them, and the names of the Windows releases.
#ifndef UTILCTL_TEXT_FORMS_H
#define UTILCTL_TEXT_FORMS_H

#include <cstddef>

#include "system/os_version.h"

namespace utilctl {

/// A strict dotted quad ("192.168.1.1") to network byte order as it lies in
/// memory. Returns false for anything else.
bool parseAddress(const char* text, unsigned long* ip);
/// The dotted quad of an address in network byte order.
void formatAddress(unsigned long ip, char* text, std::size_t size);
/// "OS_WINXP" and the like; "?" for a value outside the enumeration.
const char* releaseName(_OS_TYPE release);

}  // namespace utilctl

#endif
