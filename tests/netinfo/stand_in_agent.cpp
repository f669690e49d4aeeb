// The stand-in agent: a table walk wrapped to count, refuse and repeat requests.
#include "netinfo/stand_in_agent.h"

#include <cstdint>
#include <cstring>

#include "netinfo/kernel_tables.h"

namespace netinfo_test {

namespace {

class StandInWalk : public ColumnPairWalk {
public:
    StandInWalk(StandInAgent& agent, std::unique_ptr<ColumnPairWalk> inner)
        : agent_(agent), inner_(std::move(inner)) {}

    bool getNext() override {
        int request = ++agent_.requests;
        if (agent_.refuseFrom > 0 && request >= agent_.refuseFrom) return false;
        if (agent_.repeatFrom > 0 && request >= agent_.repeatFrom) return true;
        return inner_->getNext();
    }
    bool keyInColumn() const override { return inner_->keyInColumn(); }
    ObjectId keyName() const override { return inner_->keyName(); }
    MibValue value(int entry) const override { return inner_->value(entry); }

private:
    StandInAgent& agent_;
    std::unique_ptr<ColumnPairWalk> inner_;
};

}  // namespace

std::unique_ptr<ColumnPairWalk> StandInAgent::beginWalk(const ObjectId& keyColumn,
                                                        const ObjectId& companionColumn) {
    walkedColumns.push_back(keyColumn);
    return std::unique_ptr<ColumnPairWalk>(new StandInWalk(
        *this, util::netinfo::beginTableWalk(table, keyColumn, companionColumn)));
}

unsigned long address(const char* dotted) {
    std::uint32_t value = 0;
    util::netinfo::parseDottedAddress(dotted, &value);
    return value;
}

}  // namespace netinfo_test
