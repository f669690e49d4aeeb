#include "trace_tools.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace utilctl {

int runWish(const std::string& script, const char* app, const char* pid, const char* port) {
    std::vector<char*> arguments = {const_cast<char*>("wish"), const_cast<char*>(script.c_str()),
                                    const_cast<char*>(app), const_cast<char*>(pid), const_cast<char*>(port),
                                    nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "wish", nullptr, nullptr, arguments.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool startNetwork() { return true; }

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace utilctl
