// What the machine itself says about its IPv4 set-up, read through other system
// interfaces than the look-ups use, so the look-ups can be checked against it.
#ifndef UTIL_TESTS_NETINFO_SYSTEM_FACTS_H
#define UTIL_TESTS_NETINFO_SYSTEM_FACTS_H

#include <vector>

namespace netinfo_test {

struct LocalAddress {
    unsigned long address = 0;  // network byte order in memory
    unsigned long interfaceIndex = 0;
    std::vector<unsigned char> physical;  // the interface's hardware address
};

/// The next hop of the preferred default route; false when there is none.
bool systemDefaultGateway(unsigned long* gateway);
/// The index of the interface that owns 127.0.0.1; 0 when unknown.
unsigned long systemLoopbackIndex();
/// The machine's IPv4 addresses other than loopback ones.
std::vector<LocalAddress> systemLocalAddresses();
/// Whether the Windows build runs under Wine, whose agent cannot be asked for
/// its ARP table (the walk faults inside Wine's network layer). False on Linux.
bool runningUnderWine();

}  // namespace netinfo_test

#endif
