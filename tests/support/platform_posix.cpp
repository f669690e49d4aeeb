#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <thread>

#include "support/child_posix.h"
#include "support/test_support.h"

namespace util_test {

bool isWindows() { return false; }
void setEnvironment(const char* name, const char* value) {
    if (value != nullptr) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}
unsigned long processId() { return static_cast<unsigned long>(getpid()); }
unsigned long threadId() { return static_cast<unsigned long>(syscall(SYS_gettid)); }

int runInChild(const std::function<int()>& body, std::chrono::milliseconds limit) {
    const pid_t child = fork();
    if (child < 0) {
        return kChildNotStarted;
    }
    if (child == 0) {
        _exit(body());
    }
    const auto until = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (pid_t reaped; (reaped = waitpid(child, &status, WNOHANG)) != child;) {
        if (reaped < 0 && errno != EINTR) {
            return kChildLost;  // reaped by someone else, e.g. with SIGCHLD ignored
        }
        if (std::chrono::steady_clock::now() > until) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return kChildHung;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace util_test
