#include "sync/thread_log_path.h"

namespace sync_test {
std::string threadLogPath() { return "C:\\ThrdLog.txt"; }
}
