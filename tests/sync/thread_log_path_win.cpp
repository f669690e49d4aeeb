#include <string>

namespace sync_test {
std::string threadLogPath() { return "C:\\ThrdLog.txt"; }
}
