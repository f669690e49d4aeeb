// The machine's facts on Windows, from the IP helper functions.
#include "netinfo/system_facts.h"

#include <vector>

#include "platform/win_include.h"

#include <iphlpapi.h>

namespace netinfo_test {

namespace {

// A table from an IP helper query, asked once for its size; empty on failure.
template <typename Table, typename Query>
std::vector<unsigned char> readTable(Query query) {
    ULONG size = 0;
    query(nullptr, &size);
    std::vector<unsigned char> buffer(size + sizeof(Table));
    size = static_cast<ULONG>(buffer.size());
    if (query(reinterpret_cast<Table*>(buffer.data()), &size) != NO_ERROR) buffer.clear();
    return buffer;
}

}  // namespace

bool systemDefaultGateway(unsigned long* gateway) {
    auto buffer = readTable<MIB_IPFORWARDTABLE>(
        [](MIB_IPFORWARDTABLE* table, ULONG* size) { return GetIpForwardTable(table, size, TRUE); });
    if (buffer.empty()) return false;
    const auto* table = reinterpret_cast<const MIB_IPFORWARDTABLE*>(buffer.data());
    bool found = false;
    DWORD bestMetric = 0;
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const MIB_IPFORWARDROW& row = table->table[i];
        if (row.dwForwardDest == 0 && (!found || row.dwForwardMetric1 < bestMetric)) {
            found = true;
            bestMetric = row.dwForwardMetric1;
            *gateway = row.dwForwardNextHop;
        }
    }
    return found;
}

std::vector<LocalAddress> systemLocalAddresses() {
    std::vector<LocalAddress> result;
    auto buffer = readTable<MIB_IPADDRTABLE>(
        [](MIB_IPADDRTABLE* table, ULONG* size) { return GetIpAddrTable(table, size, FALSE); });
    const auto* table = reinterpret_cast<const MIB_IPADDRTABLE*>(buffer.data());
    for (DWORD i = 0; !buffer.empty() && i < table->dwNumEntries; ++i) {
        const MIB_IPADDRROW& row = table->table[i];
        LocalAddress local;
        local.address = row.dwAddr;
        local.interfaceIndex = row.dwIndex;
        MIB_IFROW interfaceRow = {};
        interfaceRow.dwIndex = row.dwIndex;
        if (GetIfEntry(&interfaceRow) == NO_ERROR && interfaceRow.dwPhysAddrLen >= 6) {
            local.physical.assign(interfaceRow.bPhysAddr, interfaceRow.bPhysAddr + 6);
        }
        result.push_back(local);
    }
    return result;
}

}  // namespace netinfo_test
