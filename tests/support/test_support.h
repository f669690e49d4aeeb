// Helpers shared by the test suites of every subsystem.
#ifndef UTIL_TESTS_SUPPORT_TEST_SUPPORT_H
#define UTIL_TESTS_SUPPORT_TEST_SUPPORT_H

#include <chrono>
#include <functional>
#include <string>

namespace util_test {

/// A fresh directory under the system's temporary directory, removed with its
/// contents when the object goes away.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    /// path() joined with name by the platform's separator.
    std::string file(const std::string& name) const;

private:
    std::string path_;
};

/// The whole file as bytes (binary mode, so CR LF stays visible); empty when missing.
std::string readFile(const std::string& path);
/// Replaces the file's contents with bytes (binary mode).
void writeFile(const std::string& path, const std::string& bytes);
bool fileExists(const std::string& path);
/// The path of the running test binary, for tests that re-run it as a child.
std::string selfPath();

/// Milliseconds from start until now.
inline long long millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

/// Polls condition every millisecond until it holds (true) or `limit` passes (false).
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = std::chrono::seconds(10));

/// True in the Windows build (util.dll under Wine), false on POSIX: for the few
/// expectations that differ by platform.
bool isWindows();
/// Sets (or, with a null value, removes) an environment variable of this
/// process, which programs it starts inherit.
void setEnvironment(const char* name, const char* value);
/// The ids the library prints in records: GetCurrentProcessId / getpid and
/// GetCurrentThreadId / gettid.
unsigned long processId();
unsigned long threadId();

}  // namespace util_test

#endif
