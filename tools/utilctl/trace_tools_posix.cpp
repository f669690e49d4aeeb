#include "trace_tools.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace utilctl {

std::string writeTemporaryScript(const std::string& text) {
    const char* directory = std::getenv("TMPDIR");
    std::string path = std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") +
                       "/utilctl-viewer-XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        return std::string();
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t count = write(descriptor, text.data() + written, text.size() - written);
        if (count <= 0) {
            close(descriptor);
            unlink(name.data());
            return std::string();
        }
        written += static_cast<std::size_t>(count);
    }
    close(descriptor);
    return std::string(name.data());
}

void removeFile(const std::string& path) { unlink(path.c_str()); }

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
