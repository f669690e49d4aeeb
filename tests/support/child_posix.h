// Child processes for the POSIX suites: fork, run a body, wait with a time-out.
#ifndef UTIL_TESTS_SUPPORT_CHILD_POSIX_H
#define UTIL_TESTS_SUPPORT_CHILD_POSIX_H

#include <chrono>
#include <functional>

namespace util_test {

/// Outcome of runInChild when the child did not end by itself in time (it was killed).
constexpr int kChildHung = -1;
/// Outcome of runInChild when fork failed.
constexpr int kChildNotStarted = -2;
/// Outcome of runInChild when the child's status could not be collected (SIGCHLD ignored).
constexpr int kChildLost = -3;

/// Runs body in a forked child, which leaves with _exit(body()) so that no
/// handler or buffer of the parent runs twice. Returns the child's exit code,
/// 128 + the signal that ended it, kChildHung (the child is then killed and
/// reaped), kChildNotStarted or kChildLost.
int runInChild(const std::function<int()>& body, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace util_test

#endif
