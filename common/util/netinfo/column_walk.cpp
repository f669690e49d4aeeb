// The GETNEXT walk over two columns that all look-ups share.
#include "netinfo/netinfo_platform.h"

namespace util {
namespace netinfo {

void walkColumns(MibAgent& agent, const ObjectId& keyColumn, const ObjectId& companionColumn,
                 const RowVisitor& visitRow) {
    std::unique_ptr<ColumnPairWalk> walk = agent.beginWalk(keyColumn, companionColumn);
    if (!walk) {
        return;
    }
    ObjectId previous = keyColumn;
    while (walk->getNext() && walk->keyInColumn()) {
        // GETNEXT must answer with a later name; one that does not would repeat
        // the same row for ever.
        ObjectId name = walk->keyName();
        if (!(previous < name)) {
            break;
        }
        previous.swap(name);
        visitRow(walk->value(0), walk->value(1));
    }
}

}  // namespace netinfo
}  // namespace util
