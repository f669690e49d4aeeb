// The library's own two loggers. Constructing the first logger at load creates
// the log lock before any client code runs.
#include "log/file_log.h"

namespace {

FileLog utilLogger("UTIL");
FileLog shareLogger("SHARE ");

}  // namespace
