// Feeds arbitrary text to the /proc/net/arp and /proc/net/route parsers and
// serves what they accept as MIB-II tables, walked by the look-ups.
#include <cstddef>
#include <cstdint>
#include <string>

#include "netinfo/kernel_tables.h"

namespace {

std::uint32_t indexOf(const std::string& name) {
    return name.empty() ? 0 : static_cast<std::uint32_t>(static_cast<unsigned char>(name[0]) % 4);
}

class FuzzAgent : public util::netinfo::MibAgent {
public:
    explicit FuzzAgent(std::shared_ptr<util::netinfo::MibTable> table) : table_(std::move(table)) {}
    int startup() override { return 1; }
    std::unique_ptr<util::netinfo::ColumnPairWalk> beginWalk(const util::netinfo::ObjectId& key,
                                                             const util::netinfo::ObjectId& companion) override {
        return util::netinfo::beginTableWalk(table_, key, companion);
    }

private:
    std::shared_ptr<util::netinfo::MibTable> table_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace util::netinfo;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<ArpRow> arp = parseArpText(text, indexOf);
    std::vector<RouteRow> routes = parseRouteText(text, indexOf);
    std::vector<AddressRow> addresses;
    std::vector<InterfaceRow> interfaces;
    for (const ArpRow& row : arp) {
        addresses.push_back({row.address, row.interfaceIndex});
        interfaces.push_back({row.interfaceIndex, row.physical});
    }
    auto table = std::make_shared<MibTable>();
    addArpTable(*table, arp);
    addAddressTable(*table, addresses);
    addInterfaceTable(*table, interfaces);
    addRouteTable(*table, routes, addresses);
    FuzzAgent agent(table);
    unsigned char mac[6];
    unsigned long value = 0;
    const unsigned long probe = arp.empty() ? 0 : arp.front().address;
    getMacAddressByIp(agent, probe, mac);
    getRouteNextHop(agent, routes.empty() ? 0 : routes.front().destination, &value);
    getAdapterIndexByAddress(agent, probe, &value);
    return 0;
}
