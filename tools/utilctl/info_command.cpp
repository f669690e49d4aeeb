// utilctl info: the overview of this machine through the library. Every line
// that cannot be answered says why instead of failing the command.
#include <cstdio>

#include "command.h"
#include "platform.h"
#include "text_forms.h"
#include "util.h"

namespace utilctl {
namespace {

void printOperatingSystem() {
    const unsigned long kUntouched = 0xFFFFFFFFUL;
    unsigned long platformId = kUntouched;
    const _OS_TYPE release = OS(&platformId);
    if (platformId == kUntouched) {
        std::printf("os:            %s (no Windows version query on this platform)\n", releaseName(release));
    } else {
        std::printf("os:            %s, platform id %lu\n", releaseName(release), platformId);
    }
}

void printComputerId() {
    const long identifier = getHardDriveComputerID();
    const char* reader = "";
    getHardDriveComputerIDTexts(nullptr, nullptr, &reader);
    if (reader[0] != '\0') {
        std::printf("computer id:   %ld (from %s)\n", identifier, reader);
    } else {
        std::printf("computer id:   %ld (no disk answered: vendor offset alone)\n", identifier);
    }
}

void printNetwork() {
    unsigned long gateway = 0;
    if (!snmp_GetRouteNextHopIp(0, &gateway)) {
        std::printf("next hop:      none (no default route)\n");
        std::printf("gateway mac:   none (no default route)\n");
        std::printf("interface:     none (no default route)\n");
        return;
    }
    char text[16];
    formatAddress(gateway, text, sizeof text);
    std::printf("next hop:      %s (default route)\n", text);

    unsigned char mac[6];
    if (runningUnderWine()) {
        std::printf("gateway mac:   not asked (Wine's MIB-II agent cannot walk its ARP table)\n");
    } else if (snmp_GetMacAddrByIp(gateway, mac)) {
        std::printf("gateway mac:   %02x:%02x:%02x:%02x:%02x:%02x\n", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    } else {
        std::printf("gateway mac:   unknown (the gateway is not in the ARP table)\n");
    }

    unsigned long local = 0;
    unsigned long index = 0;
    if (!localAddressTowards(gateway, &local)) {
        std::printf("interface:     unknown (no local address reaches the gateway)\n");
        return;
    }
    formatAddress(local, text, sizeof text);
    if (snmp_GetAdapterIndexByIpAddr(local, &index)) {
        std::printf("interface:     index %lu (local address %s)\n", index, text);
    } else {
        std::printf("interface:     unknown (local address %s is not in the address table)\n", text);
    }
}

void printLogSettings() {
    // Shown without creating the log directory: info writes no record.
    char path[1024];
    if (util::peekLogFilePath(path, sizeof path) == 1) {
        std::printf("log path:      %s\n", path);
        std::printf("log backup:    %s.bak\n", path);
    } else {
        std::printf("log path:      none (no log directory could be formed)\n");
        std::printf("log backup:    \n");
    }
    std::printf("log flag:      %d\n", FileLog::log_flag);
    std::printf("log level:     %d\n", FileLog::GetLogLevel());
    std::printf("log mask:      0x%04X\n", static_cast<unsigned>(FileLog::GetLogMask()));
    std::printf("log size:      %d bytes\n", FileLog::GetMaxLogFileSize());
}

int runInfo(const Arguments& arguments) {
    if (!arguments.operands.empty()) {
        std::fprintf(stderr, "utilctl: info: takes no arguments\n");
        return kUsage;
    }
    std::printf("library:       util %s\n", UTIL_VERSION_STRING);
    std::printf("platform:      %s\n", platformName());
    printOperatingSystem();
    printComputerId();
    printNetwork();
    printLogSettings();
    return kSuccess;
}

const CommandRegistration infoCommand({"info", "",
                                       "the overview of this machine: OS, computer id, default route, log settings",
                                       &runInfo});

}  // namespace
}  // namespace utilctl
