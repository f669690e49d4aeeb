// What utilctl asks of the platform directly, beside the library.
#ifndef UTILCTL_PLATFORM_H
#define UTILCTL_PLATFORM_H

namespace utilctl {

/// "Windows (32-bit)", "Windows (64-bit)" or "Linux (64-bit)" and the like.
const char* platformName();

/// True when the Windows build runs under Wine (ntdll exports wine_get_version).
bool runningUnderWine();

/// The local IPv4 address this machine would send from to reach ip (network
/// byte order), found by connecting a UDP socket, which sends nothing.
/// Returns false when there is no route or no socket.
bool localAddressTowards(unsigned long ip, unsigned long* localAddress);

}  // namespace utilctl

#endif
