#include "trace_tools.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform.h"

extern char** environ;

namespace utilctl {

namespace {

volatile sig_atomic_t pendingSignal = 0;

void noteSignal(int number) { pendingSignal = number; }

bool spawnWish(const std::string& script, const char* app, const char* pid, const char* port, pid_t* child) {
    std::vector<char*> arguments = {const_cast<char*>("wish"), const_cast<char*>(script.c_str()),
                                    const_cast<char*>(app),    const_cast<char*>(pid),
                                    const_cast<char*>(port),   nullptr};
    return posix_spawnp(child, "wish", nullptr, nullptr, arguments.data(), environ) == 0;
}

WishEnd endOf(int status) {
    WishEnd end;
    if (WIFSIGNALED(status)) {
        end.kind = WishEnd::kKilled;
        end.code = WTERMSIG(status);
    } else {
        end.kind = WishEnd::kExited;
        end.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    return end;
}

}  // namespace

WishEnd runWish(const std::string& script, const char* app, const char* pid, const char* port) {
    // The signals that end a terminal session or a service are noted rather
    // than obeyed at once, so that the script does not stay behind. One that
    // the caller ignores (nohup) stays ignored. wish starts with the defaults.
    const int kEnding[] = {SIGHUP, SIGINT, SIGTERM};
    struct sigaction previous[3];
    struct sigaction noting {};
    noting.sa_handler = noteSignal;
    sigemptyset(&noting.sa_mask);
    for (int index = 0; index < 3; ++index) {
        sigaction(kEnding[index], nullptr, &previous[index]);
        if (previous[index].sa_handler != SIG_IGN) {
            sigaction(kEnding[index], &noting, nullptr);
        }
    }
    const auto restore = [&] {
        for (int index = 0; index < 3; ++index) sigaction(kEnding[index], &previous[index], nullptr);
    };
    WishEnd end;
    pid_t child = 0;
    if (!spawnWish(script, app, pid, port, &child)) {
        restore();
        return end;
    }
    for (;;) {
        int status = 0;
        const pid_t waited = waitpid(child, &status, WNOHANG);
        if (waited == child) {
            end = endOf(status);
            break;
        }
        if (waited < 0 && errno != EINTR) {
            end.kind = WishEnd::kUnknown;  // ECHILD: SIGCHLD is ignored, the system reaped wish
            break;
        }
        if (pendingSignal != 0) {
            const int number = pendingSignal;
            kill(child, number);
            removeFile(script);
            restore();
            signal(number, SIG_DFL);
            raise(number);
            _exit(128 + number);
        }
        pause100ms();
    }
    restore();
    return end;
}

bool startWish(const std::string& script, const char* app, const char* pid, const char* port, std::uintptr_t* process) {
    pid_t child = 0;
    if (!spawnWish(script, app, pid, port, &child)) {
        return false;
    }
    *process = static_cast<std::uintptr_t>(child);
    return true;
}

bool wishRunning(std::uintptr_t process, WishEnd* end) {
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    } while (waited < 0 && errno == EINTR);
    if (waited == 0) {
        return true;
    }
    if (waited < 0) {
        end->kind = WishEnd::kUnknown;
    } else {
        *end = endOf(status);
    }
    return false;
}

bool portAccepting(unsigned short port) {
    const int probe = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool accepted = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return accepted;
}

void pause100ms() {
    timespec delay{0, 100 * 1000 * 1000};
    nanosleep(&delay, nullptr);
}

bool startNetwork() { return true; }

unsigned long currentProcessId() { return static_cast<unsigned long>(getpid()); }

}  // namespace utilctl
