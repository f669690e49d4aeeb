// A stand-in MIB-II agent for the look-up tests: tables with chosen rows, a
// record of the walks begun, and switches for a refused set-up, a refused
// request or an answer that does not move on.
#ifndef UTIL_TESTS_NETINFO_STAND_IN_AGENT_H
#define UTIL_TESTS_NETINFO_STAND_IN_AGENT_H

#include <memory>
#include <vector>

#include "netinfo/mib_table.h"

namespace netinfo_test {

using util::netinfo::ColumnPairWalk;
using util::netinfo::MibAgent;
using util::netinfo::MibTable;
using util::netinfo::MibValue;
using util::netinfo::ObjectId;

class StandInAgent : public MibAgent {
public:
    std::shared_ptr<MibTable> table = std::make_shared<MibTable>();
    int startupResult = 1;
    int startupCalls = 0;
    int requests = 0;           // GETNEXT requests made, over all walks
    int refuseFrom = -1;        // the request number (from 1) from which requests are refused
    int repeatFrom = -1;        // from this request on, answers repeat the previous row
    std::vector<ObjectId> walkedColumns;  // the key column of each walk begun

    int startup() override {
        ++startupCalls;
        return startupResult;
    }

    std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& keyColumn,
                                              const ObjectId& companionColumn) override;
};

/// An IPv4 address "a.b.c.d" in network byte order as it lies in memory.
unsigned long address(const char* dotted);

}  // namespace netinfo_test

#endif
