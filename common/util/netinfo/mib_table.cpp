// The in-memory MIB and its walk.
#include "netinfo/mib_table.h"

#include <utility>

namespace util {
namespace netinfo {

namespace {

// Column identifiers of the served tables that the look-ups do not walk.
const ObjectId kIpNetToMediaIfIndex{1, 3, 6, 1, 2, 1, 4, 22, 1, 1};
const ObjectId kIpRouteIfIndex{1, 3, 6, 1, 2, 1, 4, 21, 1, 2};
const ObjectId kIpRouteMask{1, 3, 6, 1, 2, 1, 4, 21, 1, 11};

MibValue physicalValue(const unsigned char* physical, std::size_t length) {
    return MibValue::makeOctets(physical, physical != nullptr ? length : 0);
}

class TableWalk : public ColumnPairWalk {
public:
    TableWalk(std::shared_ptr<const MibTable> table, const ObjectId& keyColumn, const ObjectId& companionColumn)
        : table_(std::move(table)), keyColumn_(keyColumn) {
        names_[0] = keyColumn;
        names_[1] = companionColumn;
    }

    bool getNext() override {
        ObjectId nextNames[2];
        MibValue nextValues[2];
        for (int entry = 0; entry < 2; ++entry) {
            if (!table_->getNext(names_[entry], &nextNames[entry], &nextValues[entry])) {
                return false;
            }
        }
        for (int entry = 0; entry < 2; ++entry) {
            names_[entry].swap(nextNames[entry]);
            values_[entry] = std::move(nextValues[entry]);
        }
        return true;
    }

    bool keyInColumn() const override { return nameInColumn(names_[0], keyColumn_); }
    ObjectId keyName() const override { return names_[0]; }
    MibValue value(int entry) const override { return values_[entry == 0 ? 0 : 1]; }

private:
    std::shared_ptr<const MibTable> table_;
    ObjectId keyColumn_;
    ObjectId names_[2];
    MibValue values_[2];
};

}  // namespace

void MibTable::set(const ObjectId& name, MibValue value) { variables_[name] = std::move(value); }

bool MibTable::contains(const ObjectId& name) const { return variables_.count(name) != 0; }

bool MibTable::getNext(const ObjectId& name, ObjectId* nextName, MibValue* nextValue) const {
    auto next = variables_.upper_bound(name);
    if (next == variables_.end()) {
        return false;
    }
    *nextName = next->first;
    *nextValue = next->second;
    return true;
}

void MibTable::addArpEntry(std::uint32_t interfaceIndex, std::uint32_t address, const unsigned char* physical,
                           std::size_t physicalLength) {
    ObjectId index = addressIndex(address);
    index.insert(index.begin(), interfaceIndex);
    set(columnInstance(kIpNetToMediaIfIndex, index), MibValue::makeInteger(interfaceIndex));
    set(columnInstance(columns::ipNetToMediaPhysAddress, index), physicalValue(physical, physicalLength));
    set(columnInstance(columns::ipNetToMediaNetAddress, index), MibValue::makeAddress(address));
}

void MibTable::addAddressEntry(std::uint32_t address, std::uint32_t interfaceIndex) {
    ObjectId index = addressIndex(address);
    set(columnInstance(columns::ipAdEntAddr, index), MibValue::makeAddress(address));
    set(columnInstance(columns::ipAdEntIfIndex, index), MibValue::makeInteger(interfaceIndex));
}

void MibTable::addInterface(std::uint32_t interfaceIndex, const unsigned char* physical, std::size_t physicalLength) {
    ObjectId index{interfaceIndex};
    set(columnInstance(columns::ifIndex, index), MibValue::makeInteger(interfaceIndex));
    set(columnInstance(columns::ifPhysAddress, index), physicalValue(physical, physicalLength));
}

void MibTable::addRoute(std::uint32_t destination, std::uint32_t mask, std::uint32_t nextHop,
                        std::uint32_t interfaceIndex) {
    ObjectId index = addressIndex(destination);
    set(columnInstance(columns::ipRouteDest, index), MibValue::makeAddress(destination));
    set(columnInstance(kIpRouteIfIndex, index), MibValue::makeInteger(interfaceIndex));
    set(columnInstance(columns::ipRouteNextHop, index), MibValue::makeAddress(nextHop));
    set(columnInstance(kIpRouteMask, index), MibValue::makeAddress(mask));
}

std::unique_ptr<ColumnPairWalk> beginTableWalk(std::shared_ptr<const MibTable> table, const ObjectId& keyColumn,
                                               const ObjectId& companionColumn) {
    if (!table) {
        return nullptr;
    }
    return std::unique_ptr<ColumnPairWalk>(new TableWalk(std::move(table), keyColumn, companionColumn));
}

}  // namespace netinfo
}  // namespace util
