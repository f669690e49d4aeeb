// POSIX program start: one spawn primitive (posix_spawnp, no shell) under both
// Exec and the desktop opener.
#include <errno.h>
#include <pthread.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "system/launch_backend.h"
#include "system/process_launch.h"

namespace util {

namespace {

const int kMaximumArguments = 32;

// Starts argv[0] (searched in PATH) with argv in directory (null: the current
// one), closing descriptors above 2 in the child. Returns 0 or an errno value.
int spawnProcess(char* const argv[], const char* directory, pid_t* child) {
    posix_spawn_file_actions_t actions;
    int error = posix_spawn_file_actions_init(&actions);
    if (error != 0) {
        return error;
    }
    if (directory != nullptr) {
        error = posix_spawn_file_actions_addchdir_np(&actions, directory);
    }
    if (error == 0) {
        error = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    }
    if (error == 0) {
        error = posix_spawnp(child, argv[0], &actions, nullptr, argv, environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Waits for child; returns its wait status, or -1 when it cannot be waited for.
int waitForChild(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

void* reapChild(void* child) {
    waitForChild(static_cast<pid_t>(reinterpret_cast<std::intptr_t>(child)));
    return nullptr;
}

// Lets a detached thread collect the child so that no zombie stays behind.
void reapInBackground(pid_t child) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
        return;
    }
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    pthread_create(&thread, &attributes, &reapChild, reinterpret_cast<void*>(static_cast<std::intptr_t>(child)));
    pthread_attr_destroy(&attributes);
}

}  // namespace

bool startProgram(const char* commandLine, const char* directory, int /*show*/, int wait, long* errorCode) {
    int count = 0;
    char** block = CommandLineToArgv(commandLine, &count);
    if (block == nullptr) {
        *errorCode = ENOMEM;
        return false;
    }
    if (count == 0) {
        std::free(block);
        *errorCode = ENOENT;
        return false;
    }
    char* arguments[kMaximumArguments + 1] = {};
    for (int index = 0; index < count; ++index) {
        arguments[index] = block[index];
    }
    pid_t child = 0;
    const int error = spawnProcess(arguments, directory, &child);
    std::free(block);
    if (error != 0) {
        *errorCode = error;
        return false;
    }
    if (wait == 1) {
        waitForChild(child);
    } else {
        reapInBackground(child);
    }
    return true;
}

int openWithSystemHandler(const char* target) {
    if (target == nullptr) {
        return 0;
    }
    char opener[] = "xdg-open";
    char* arguments[] = {opener, const_cast<char*>(target), nullptr};
    pid_t child = 0;
    if (spawnProcess(arguments, nullptr, &child) != 0) {
        return 0;
    }
    const int status = waitForChild(child);
    if (status < 0 || !WIFEXITED(status)) {
        return 32;
    }
    const int exitStatus = WEXITSTATUS(status);
    if (exitStatus == 0) {
        return 42;
    }
    return exitStatus <= 32 ? exitStatus : 32;
}

}  // namespace util
