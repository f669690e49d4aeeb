// Parsers of the kernel's /proc/net/arp and /proc/net/route texts, and the rules
// that serve their rows as MIB-II tables.
#include "netinfo/kernel_tables.h"

#include <cstring>
#include <map>
#include <sstream>

namespace util {
namespace netinfo {

namespace {

const unsigned kArpComplete = 0x02;             // ATF_COM
const unsigned kRouteUp = 0x0001;               // RTF_UP
const unsigned kRouteGateway = 0x0002;          // RTF_GATEWAY
const std::size_t kMaximumPhysicalLength = 32;  // the kernel's MAX_ADDR_LEN

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Hexadecimal digits, with an optional "0x", up to 8 of them.
bool parseHex32(const std::string& text, std::uint32_t* number) {
    std::size_t position = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        position = 2;
    }
    if (position == text.size() || text.size() - position > 8) {
        return false;
    }
    std::uint32_t value = 0;
    for (; position < text.size(); ++position) {
        int digit = hexDigit(text[position]);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    *number = value;
    return true;
}

bool parseDecimal32(const std::string& text, std::uint32_t* number) {
    if (text.empty() || text.size() > 10) return false;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 0xFFFFFFFFull) return false;
    *number = static_cast<std::uint32_t>(value);
    return true;
}

// "02:fc:00:00:00:05": pairs of hex digits separated by ':'.
bool parsePhysical(const std::string& text, std::vector<unsigned char>* physical) {
    std::vector<unsigned char> bytes;
    std::size_t position = 0;
    while (position < text.size()) {
        if (position + 2 > text.size()) return false;
        int high = hexDigit(text[position]);
        int low = hexDigit(text[position + 1]);
        if (high < 0 || low < 0 || bytes.size() == kMaximumPhysicalLength) return false;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
        position += 2;
        if (position < text.size()) {
            if (text[position] != ':' || position + 1 == text.size()) return false;
            ++position;
        }
    }
    physical->swap(bytes);
    return true;
}

// The whitespace-separated fields of each line after the first.
std::vector<std::vector<std::string>> dataLines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream input(text);
    std::string line;
    bool header = true;
    while (std::getline(input, line)) {
        if (header) {
            header = false;
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> words;
        std::string word;
        while (fields >> word) words.push_back(word);
        if (!words.empty()) lines.push_back(std::move(words));
    }
    return lines;
}

}  // namespace

bool parseDottedAddress(const std::string& text, std::uint32_t* address) {
    unsigned char bytes[4];
    std::size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.') return false;
            ++position;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
            if (++digits > 3) return false;
            value = value * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
        }
        if (digits == 0 || value > 255) return false;
        bytes[part] = static_cast<unsigned char>(value);
    }
    if (position != text.size()) return false;
    std::memcpy(address, bytes, sizeof bytes);
    return true;
}

std::vector<ArpRow> parseArpText(const std::string& text, const InterfaceIndexOf& indexOf) {
    // IP address, HW type, Flags, HW address, Mask, Device
    std::vector<ArpRow> rows;
    for (const auto& fields : dataLines(text)) {
        ArpRow row;
        std::uint32_t hardwareType;
        std::uint32_t flags;
        if (fields.size() != 6 || !parseDottedAddress(fields[0], &row.address) ||
            !parseHex32(fields[1], &hardwareType) || !parseHex32(fields[2], &flags) ||
            !parsePhysical(fields[3], &row.physical)) {
            continue;
        }
        row.interfaceIndex = indexOf(fields[5]);
        if (row.interfaceIndex == 0) continue;
        row.complete = (flags & kArpComplete) != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<RouteRow> parseRouteText(const std::string& text, const InterfaceIndexOf& indexOf) {
    // Iface, Destination, Gateway, Flags, RefCnt, Use, Metric, Mask, MTU, Window, IRTT
    std::vector<RouteRow> rows;
    for (const auto& fields : dataLines(text)) {
        RouteRow row;
        std::uint32_t flags;
        if (fields.size() < 8 || !parseHex32(fields[1], &row.destination) || !parseHex32(fields[2], &row.gateway) ||
            !parseHex32(fields[3], &flags) || !parseDecimal32(fields[6], &row.metric) ||
            !parseHex32(fields[7], &row.mask)) {
            continue;
        }
        row.flags = flags;
        row.interfaceIndex = indexOf(fields[0]);
        if (row.interfaceIndex == 0) continue;
        rows.push_back(row);
    }
    return rows;
}

namespace {

// The kernel gives interfaces without a hardware address (loopback, tunnels) one
// of all zero bytes; no real interface has it, so it is served as none.
bool isHardwareAddress(const std::vector<unsigned char>& physical) {
    for (unsigned char byte : physical) {
        if (byte != 0) return true;
    }
    return false;
}

}  // namespace

void addArpTable(MibTable& table, const std::vector<ArpRow>& rows) {
    for (const ArpRow& row : rows) {
        const bool known = row.complete && isHardwareAddress(row.physical);
        table.addArpEntry(row.interfaceIndex, row.address, known ? row.physical.data() : nullptr,
                          known ? row.physical.size() : 0);
    }
}

void addAddressTable(MibTable& table, const std::vector<AddressRow>& rows) {
    for (const AddressRow& row : rows) {
        if (!table.contains(columnInstance(columns::ipAdEntAddr, addressIndex(row.address)))) {
            table.addAddressEntry(row.address, row.interfaceIndex);
        }
    }
}

void addInterfaceTable(MibTable& table, const std::vector<InterfaceRow>& rows) {
    for (const InterfaceRow& row : rows) {
        if (!table.contains(columnInstance(columns::ifIndex, ObjectId{row.interfaceIndex}))) {
            const bool known = isHardwareAddress(row.physical);
            table.addInterface(row.interfaceIndex, known ? row.physical.data() : nullptr,
                               known ? row.physical.size() : 0);
        }
    }
}

namespace {

// The prefix length of a mask: its one bits, whatever their byte order.
int prefixLength(std::uint32_t mask) {
    int bits = 0;
    for (; mask != 0; mask &= mask - 1) ++bits;
    return bits;
}

// Whether route should be served instead of current for their shared destination.
bool preferred(const RouteRow& route, const RouteRow& current) {
    const int length = prefixLength(route.mask);
    const int currentLength = prefixLength(current.mask);
    if (length != currentLength) return length < currentLength;
    return route.metric < current.metric;
}

}  // namespace

void addRouteTable(MibTable& table, const std::vector<RouteRow>& routes, const std::vector<AddressRow>& addresses) {
    std::map<std::uint32_t, const RouteRow*> chosen;  // by destination
    for (const RouteRow& route : routes) {
        if ((route.flags & kRouteUp) == 0) continue;
        auto existing = chosen.find(route.destination);
        if (existing == chosen.end()) {
            chosen.emplace(route.destination, &route);
        } else if (preferred(route, *existing->second)) {
            existing->second = &route;
        }
    }
    for (const auto& entry : chosen) {
        const RouteRow& route = *entry.second;
        std::uint32_t nextHop = route.gateway;
        if ((route.flags & kRouteGateway) == 0 || route.gateway == 0) {
            nextHop = 0;
            for (const AddressRow& address : addresses) {
                if (address.interfaceIndex == route.interfaceIndex) {
                    nextHop = address.address;
                    break;
                }
            }
        }
        table.addRoute(route.destination, route.mask, nextHop, route.interfaceIndex);
    }
}

}  // namespace netinfo
}  // namespace util
