// The narrow interface between the look-ups and whatever serves the MIB-II
// tables: the system's extension agent on Windows, the kernel's tables on Linux,
// a stand-in with chosen rows in tests.
#ifndef UTIL_NETINFO_NETINFO_PLATFORM_H
#define UTIL_NETINFO_NETINFO_PLATFORM_H

#include <functional>
#include <memory>

#include "netinfo/mib_types.h"

namespace util {
namespace netinfo {

/// One walk's list of two variable bindings: entry 0 starts named after the key
/// column, entry 1 after the companion column, both with empty values. It lives
/// for one walk; destroying it frees both entries.
class ColumnPairWalk {
public:
    virtual ~ColumnPairWalk() = default;
    /// One GETNEXT request for both entries, which the agent renames and refills.
    /// Returns false when the agent refused the request.
    virtual bool getNext() = 0;
    /// Whether entry 0's current name still lies in the key column.
    virtual bool keyInColumn() const = 0;
    /// Entry 0's current name.
    virtual ObjectId keyName() const = 0;
    /// The current value of entry 0 (key) or 1 (companion).
    virtual MibValue value(int entry) const = 0;
};

class MibAgent {
public:
    virtual ~MibAgent() = default;
    /// Readies the agent (snmpAgentStartup); non-zero when it is ready.
    virtual int startup() = 0;
    /// A fresh two-entry list for a walk of keyColumn with companionColumn; null
    /// when the list cannot be made.
    virtual std::unique_ptr<ColumnPairWalk> beginWalk(const ObjectId& keyColumn, const ObjectId& companionColumn) = 0;
};

/// Called once per row of the key column with the key's and companion's values.
using RowVisitor = std::function<void(const MibValue& key, const MibValue& companion)>;

/// Walks keyColumn and companionColumn together, row by row in index order, until
/// the agent refuses a request, the key leaves its column, or the agent fails to
/// move past the previous row.
void walkColumns(MibAgent& agent, const ObjectId& keyColumn, const ObjectId& companionColumn,
                 const RowVisitor& visitRow);

/// The three look-ups over any agent; the exported functions pass the system's.
int getMacAddressByIp(MibAgent& agent, unsigned long ip, unsigned char* mac);
int getRouteNextHop(MibAgent& agent, unsigned long ip, unsigned long* nextHop);
int getAdapterIndexByAddress(MibAgent& agent, unsigned long ip, unsigned long* index);

/// The machine's own agent, set up on first use (defined per platform).
MibAgent& systemAgent();

}  // namespace netinfo
}  // namespace util

#endif
