// POSIX program start: one spawn primitive (posix_spawnp, no shell) under both
// Exec and the desktop opener, and one reaper thread for the children that
// nobody waits for.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/thread.h"
#include "system/system_platform.h"
#include "system/process_launch.h"

namespace util {

namespace {

// Starts program (searched in PATH when it has no '/') with argv in directory
// (null: the current one), closing descriptors above 2 in the child. Returns 0
// or an errno value.
int spawnProcess(const char* program, char* const argv[], const char* directory, pid_t* child) {
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
        error = posix_spawnp(child, program, &actions, nullptr, argv, environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    return error;
}

// Waits for child, retrying after a signal. Returns 0 with its wait status in
// *status, or the errno value of the failure: ECHILD when the child cannot be
// waited for, as when the program ignores SIGCHLD and the system reaped it.
int waitForChild(pid_t child, int* status) {
    while (waitpid(child, status, 0) < 0) {
        if (errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

// A program named with a '/' but not from the root is found from the caller's
// current directory, as CreateProcessA finds it, not from the directory the
// child starts in. Returns a malloc'd absolute path, or null to use the name
// as it stands (a name without '/', an absolute one, no directory change, or
// a current directory that cannot be read).
char* resolveAgainstCurrentDirectory(const char* program, const char* directory) {
    if (directory == nullptr || program[0] == '/' || std::strchr(program, '/') == nullptr) {
        return nullptr;
    }
    char* current = getcwd(nullptr, 0);
    if (current == nullptr) {
        return nullptr;
    }
    const std::size_t currentLength = std::strlen(current);
    const std::size_t programLength = std::strlen(program);
    char* resolved = static_cast<char*>(std::malloc(currentLength + programLength + 2));
    if (resolved != nullptr) {
        std::memcpy(resolved, current, currentLength);
        resolved[currentLength] = '/';
        std::memcpy(resolved + currentLength + 1, program, programLength + 1);
    }
    std::free(current);
    return resolved;
}

// The reaper: one thread that collects every child Exec does not wait for,
// so none stays a zombie. It sleeps in poll on a pidfd per child (a descriptor
// that becomes readable when the child ends) and on a pipe that wakes it for a
// new child; where pidfds are missing (kernels before 5.3) it looks every
// 100 ms instead. It starts with the first such child and is stopped when the
// library is unloaded.
struct Child {
    pid_t pid;
    int pidfd;  // -1 when the kernel has none
};

struct Reaper {
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
    bool started = false;
    bool stopping = false;
    pthread_t thread{};
    int wakeRead = -1;
    int wakeWrite = -1;
    Child* children = nullptr;  // malloc'd
    std::size_t count = 0;
    std::size_t reserved = 0;  // slots promised to spawns in progress
    std::size_t capacity = 0;
};

Reaper reaper;

void wakeReaper() {
    const char byte = 0;
    while (write(reaper.wakeWrite, &byte, 1) < 0 && errno == EINTR) {}
}

// Collects the children that have ended. Called with the mutex held.
void collectEnded() {
    std::size_t index = 0;
    while (index < reaper.count) {
        int status = 0;
        const pid_t result = waitpid(reaper.children[index].pid, &status, WNOHANG);
        if (result == reaper.children[index].pid || (result < 0 && errno != EINTR)) {
            if (reaper.children[index].pidfd >= 0) {
                close(reaper.children[index].pidfd);
            }
            reaper.children[index] = reaper.children[--reaper.count];
        } else {
            ++index;
        }
    }
}

void* runReaper(void*) {
    pollfd* watched = nullptr;
    std::size_t watchedCapacity = 0;
    for (;;) {
        pthread_mutex_lock(&reaper.mutex);
        if (reaper.stopping) {
            pthread_mutex_unlock(&reaper.mutex);
            break;
        }
        collectEnded();
        if (watchedCapacity < reaper.count + 1) {
            auto* grown = static_cast<pollfd*>(std::realloc(watched, (reaper.count + 1) * sizeof(pollfd)));
            if (grown != nullptr) {
                watched = grown;
                watchedCapacity = reaper.count + 1;
            }
        }
        std::size_t used = 0;
        bool look = false;  // a child without a pidfd, or no room to watch them all
        if (watched != nullptr) {
            watched[used++] = pollfd{reaper.wakeRead, POLLIN, 0};
            for (std::size_t index = 0; index < reaper.count; ++index) {
                if (reaper.children[index].pidfd >= 0 && used < watchedCapacity) {
                    watched[used++] = pollfd{reaper.children[index].pidfd, POLLIN, 0};
                } else {
                    look = true;
                }
            }
        }
        const int wakeRead = reaper.wakeRead;
        pthread_mutex_unlock(&reaper.mutex);
        if (watched == nullptr) {
            platform::sleepMilliseconds(100);
            continue;
        }
        if (poll(watched, used, look ? 100 : -1) > 0 && (watched[0].revents & POLLIN) != 0) {
            char drained[64];
            while (read(wakeRead, drained, sizeof drained) > 0) {}
        }
    }
    std::free(watched);
    return nullptr;
}

// Starts the reaper when it does not run. Called with the mutex held. Returns
// 0 or an errno value.
int startReaper() {
    if (reaper.started) {
        return 0;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return errno;
    }
    // The reaper takes no signal of the program: it starts with all blocked.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    reaper.wakeRead = pipeEnds[0];
    reaper.wakeWrite = pipeEnds[1];
    reaper.stopping = false;
    const int error = pthread_create(&reaper.thread, nullptr, &runReaper, nullptr);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (error != 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        reaper.wakeRead = reaper.wakeWrite = -1;
        return error;
    }
    reaper.started = true;
    return 0;
}

// Before a spawn whose child nobody waits for: starts the reaper and keeps a
// slot for the child, so that adopting it afterwards cannot fail. Returns 0 or
// an errno value (and then nothing may be spawned).
int reserveChildSlot() {
    pthread_mutex_lock(&reaper.mutex);
    int error = startReaper();
    if (error == 0 && reaper.count + reaper.reserved == reaper.capacity) {
        const std::size_t capacity = reaper.capacity == 0 ? 8 : reaper.capacity * 2;
        auto* grown = static_cast<Child*>(std::realloc(reaper.children, capacity * sizeof(Child)));
        if (grown == nullptr) {
            error = ENOMEM;
        } else {
            reaper.children = grown;
            reaper.capacity = capacity;
        }
    }
    if (error == 0) {
        ++reaper.reserved;
    }
    pthread_mutex_unlock(&reaper.mutex);
    return error;
}

// Hands child (0: the spawn failed) to the reaper, using the reserved slot.
void adoptChild(pid_t child) {
    const int pidfd = child > 0 ? static_cast<int>(syscall(SYS_pidfd_open, child, 0)) : -1;
    pthread_mutex_lock(&reaper.mutex);
    --reaper.reserved;
    if (child > 0) {
        reaper.children[reaper.count++] = Child{child, pidfd >= 0 ? pidfd : -1};
        wakeReaper();
    }
    pthread_mutex_unlock(&reaper.mutex);
}

// fork: the child has no reaper thread and its parent's children are not its
// own. The mutex is taken around the fork so that the list is whole.
void beforeFork() { pthread_mutex_lock(&reaper.mutex); }
void afterForkInParent() { pthread_mutex_unlock(&reaper.mutex); }
void afterForkInChild() {
    for (std::size_t index = 0; index < reaper.count; ++index) {
        if (reaper.children[index].pidfd >= 0) {
            close(reaper.children[index].pidfd);
        }
    }
    if (reaper.started) {
        close(reaper.wakeRead);
        close(reaper.wakeWrite);
    }
    reaper.wakeRead = reaper.wakeWrite = -1;
    reaper.count = 0;
    reaper.reserved = 0;
    reaper.started = false;
    pthread_mutex_init(&reaper.mutex, nullptr);
}

const int forkHandlersRegistered = pthread_atfork(&beforeFork, &afterForkInParent, &afterForkInChild);

// At unload the reaper must not run on in unmapped code: it is stopped and
// joined. Children it had not collected yet stay zombies until the program ends.
__attribute__((destructor)) void stopReaper() {
    pthread_mutex_lock(&reaper.mutex);
    const bool started = reaper.started;
    reaper.stopping = true;
    if (started) {
        wakeReaper();
    }
    pthread_mutex_unlock(&reaper.mutex);
    if (started) {
        pthread_join(reaper.thread, nullptr);
    }
}

}  // namespace

bool startProgram(const char* commandLine, const char* directory, int /*show*/, int wait, long* errorCode) {
    int count = 0;
    char** arguments = splitWholeCommandLine(commandLine, &count);
    if (arguments == nullptr) {
        *errorCode = ENOMEM;
        return false;
    }
    if (count == 0) {
        std::free(arguments);
        *errorCode = ENOENT;
        return false;
    }
    int error = wait == 1 ? 0 : reserveChildSlot();
    pid_t child = 0;
    if (error == 0) {
        char* resolved = resolveAgainstCurrentDirectory(arguments[0], directory);
        error = spawnProcess(resolved != nullptr ? resolved : arguments[0], arguments, directory, &child);
        std::free(resolved);
        if (wait != 1) {
            adoptChild(error == 0 ? child : 0);
        }
    }
    std::free(arguments);
    if (error != 0) {
        *errorCode = error;
        return false;
    }
    if (wait == 1) {
        int status = 0;
        waitForChild(child, &status);
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
    if (spawnProcess(opener, arguments, nullptr, &child) != 0) {
        return 0;
    }
    int status = 0;
    const int error = waitForChild(child, &status);
    if (error == ECHILD) {
        return 42;  // reaped by the system (SIGCHLD ignored): started, outcome unknown
    }
    if (error != 0 || !WIFEXITED(status)) {
        return 32;
    }
    const int exitStatus = WEXITSTATUS(status);
    if (exitStatus == 0) {
        return 42;
    }
    return exitStatus <= 32 ? exitStatus : 32;
}

}  // namespace util
