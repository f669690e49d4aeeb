// A stand-in MIB-II agent for the look-up tests: tables with chosen rows, a
// record of the walks begun, and switches for a refused set-up, a refused
// request or an answer that does not move on.
#ifndef UTIL_TESTS_NETINFO_STAND_IN_AGENT_H
#define UTIL_TESTS_NETINFO_STAND_IN_AGENT_H

#include <cstdint>
#include <memory>
#include <vector>

#include "netinfo/kernel_tables.h"
#include "netinfo/mib_table.h"

namespace netinfo_test {

using namespace util::netinfo;

class StandInAgent : public MibAgent {
public:
    std::shared_ptr<MibTable> table = std::make_shared<MibTable>();
    int startupResult = 1, startupCalls = 0;
    int requests = 0;     // GETNEXT requests made, over all walks
    int refuseFrom = -1;  // the request number (from 1) from which requests are refused
    int repeatFrom = -1;  // from this request on, answers repeat the previous row
    std::vector<ObjectId> walkedColumns;  // the key column of each walk begun

    int startup() override { return ++startupCalls, startupResult; }
    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& key, const ObjectId& companion) override {
        walkedColumns.push_back(key);
        return std::unique_ptr<ColumnPairWalk>(new Walk(*this, beginTableWalk(table, key, companion)));
    }

private:
    // The table's own walk, counting requests and refusing or repeating on the switches.
    struct Walk : ColumnPairWalk {
        Walk(StandInAgent& agent, std::unique_ptr<ColumnPairWalk> inner) : agent(agent), inner(std::move(inner)) {}
        bool getNext() override {
            const int request = ++agent.requests;
            if (agent.refuseFrom > 0 && request >= agent.refuseFrom) return false;
            return (agent.repeatFrom > 0 && request >= agent.repeatFrom) || inner->getNext();
        }
        bool keyInColumn() const override { return inner->keyInColumn(); }
        ObjectId keyName() const override { return inner->keyName(); }
        MibValue value(int entry) const override { return inner->value(entry); }
        StandInAgent& agent;
        std::unique_ptr<ColumnPairWalk> inner;
    };
};

/// An IPv4 address "a.b.c.d" in network byte order as it lies in memory.
inline std::uint32_t ip32(const char* dotted) {
    std::uint32_t value = 0;
    parseDottedAddress(dotted, &value);
    return value;
}

}  // namespace netinfo_test

#endif
