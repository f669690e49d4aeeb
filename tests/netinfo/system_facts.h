// What the machine itself says about its IPv4 set-up, read through other system
// interfaces than the look-ups use, so the look-ups can be checked against it.
#ifndef UTIL_TESTS_NETINFO_SYSTEM_FACTS_H
#define UTIL_TESTS_NETINFO_SYSTEM_FACTS_H

#include <vector>

namespace netinfo_test {

struct LocalAddress {
    unsigned long address = 0, interfaceIndex = 0;  // the address in network byte order
    std::vector<unsigned char> physical;            // the interface's hardware address
};

/// The next hop of the preferred default route; false when there is none.
bool systemDefaultGateway(unsigned long* gateway);
/// The machine's IPv4 addresses, loopback ones included.
std::vector<LocalAddress> systemLocalAddresses();

}  // namespace netinfo_test

#endif
