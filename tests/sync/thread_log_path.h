// Where ZnThread::LogEvent writes on the platform under test.
#ifndef UTIL_TESTS_SYNC_THREAD_LOG_PATH_H
#define UTIL_TESTS_SYNC_THREAD_LOG_PATH_H

#include <string>

namespace sync_test {
std::string threadLogPath();
}

#endif
