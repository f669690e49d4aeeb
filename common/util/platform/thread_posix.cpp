#include "platform/thread.h"

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <new>

#include "platform/deadline_posix.h"

#include "platform/event.h"

namespace util {
namespace platform {

namespace {

int parkSignal() { return SIGRTMIN + 6; }
int wakeSignal() { return SIGRTMIN + 7; }

// The handle of a POSIX thread. Two references: the creator's handle
// (closeThread) and the running thread; the last one frees the block.
struct ControlBlock {
    std::atomic<int> references{2};
    pthread_t thread{};
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;  // guards the plain fields below
    pthread_cond_t changed;                             // signalled on every change of them
    ThreadRoutine routine = nullptr;
    void* argument = nullptr;
    std::uint32_t kernelId = 0;
    bool idKnown = false;
    bool running = false;  // past the start gate
    bool killRequested = false;
    // Atomic as well: a cancelled thread writes them while it unwinds, where
    // ThreadSanitizer no longer sees the mutex that guards them.
    std::atomic<bool> finished{false};
    std::atomic<unsigned long> killCode{0};
    std::atomic<unsigned long> exitCode{0};
    // Read by the park handler, which may take no lock; changed under the mutex.
    std::atomic<long> suspendCount{0};
    std::atomic<bool> killing{false};
    std::atomic<bool> parked{false};
};

// Initial-exec so that the signal handler reads it without a lazy TLS allocation.
__attribute__((tls_model("initial-exec"))) thread_local ControlBlock* currentBlock = nullptr;

void releaseBlock(ControlBlock* block) {
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        pthread_cond_destroy(&block->changed);
        pthread_mutex_destroy(&block->mutex);
        delete block;
    }
}

// Runs on the thread being suspended: parks it until resumed or stopped. The
// wake signal is blocked while the handler runs (sa_mask) and only let through
// by sigsuspend, so a wake-up sent between the check and the wait is not lost.
void onParkSignal(int) {
    const int savedErrno = errno;
    ControlBlock* self = currentBlock;
    if (self != nullptr) {
        sigset_t waitMask;
        pthread_sigmask(SIG_BLOCK, nullptr, &waitMask);
        sigdelset(&waitMask, wakeSignal());
        self->parked.store(true);
        while (self->suspendCount.load() > 0 && !self->killing.load()) {
            sigsuspend(&waitMask);
        }
        self->parked.store(false);
    }
    errno = savedErrno;
}

void onWakeSignal(int) {}

void installSignalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction wake {};
        wake.sa_handler = onWakeSignal;
        wake.sa_flags = SA_RESTART;
        sigemptyset(&wake.sa_mask);
        sigaction(wakeSignal(), &wake, nullptr);
        struct sigaction park {};
        park.sa_handler = onParkSignal;
        park.sa_flags = SA_RESTART;
        sigemptyset(&park.sa_mask);
        sigaddset(&park.sa_mask, wakeSignal());
        sigaction(parkSignal(), &park, nullptr);
    });
}

class BlockLock {
public:
    explicit BlockLock(ControlBlock* block) : block_(block) { pthread_mutex_lock(&block_->mutex); }
    ~BlockLock() { pthread_mutex_unlock(&block_->mutex); }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

private:
    ControlBlock* block_;
};

// Marks the thread finished however it ends: by returning, or by unwinding
// after a forced stop (its exit code is then the one terminateThread gave).
class FinishMark {
public:
    explicit FinishMark(ControlBlock* block) : block_(block) {}
    ~FinishMark() {
        {
            BlockLock hold(block_);
            block_->exitCode = returned_ ? result_ : block_->killCode.load();
            block_->finished = true;
            pthread_cond_broadcast(&block_->changed);
        }
        currentBlock = nullptr;
        releaseBlock(block_);
    }
    void setResult(unsigned long result) {
        result_ = result;
        returned_ = true;
    }
    FinishMark(const FinishMark&) = delete;
    FinishMark& operator=(const FinishMark&) = delete;

private:
    ControlBlock* block_;
    unsigned long result_ = 0;
    bool returned_ = false;
};

void* threadStart(void* parameter) {
    auto* block = static_cast<ControlBlock*>(parameter);
    currentBlock = block;
    sigset_t ours;
    sigemptyset(&ours);
    sigaddset(&ours, parkSignal());
    sigaddset(&ours, wakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
    int previousState = 0;
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previousState);
    bool run = false;
    {
        BlockLock hold(block);
        block->kernelId = static_cast<std::uint32_t>(syscall(SYS_gettid));
        block->idKnown = true;
        pthread_cond_broadcast(&block->changed);
        while (block->suspendCount.load() > 0 && !block->killRequested) {
            pthread_cond_wait(&block->changed, &block->mutex);  // the start gate
        }
        run = !block->killRequested;
        block->running = true;
    }
    FinishMark finish(block);
    if (run) {
        pthread_setcancelstate(PTHREAD_CANCEL_ENABLE, &previousState);
        const unsigned long result = block->routine(block->argument);
        pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &previousState);
        finish.setResult(result);
    }
    return nullptr;
}

}  // namespace

void* createThread(ThreadRoutine routine, void* argument, bool suspended, std::uint32_t* threadId) {
    installSignalHandlers();
    auto* block = new (std::nothrow) ControlBlock;
    if (block == nullptr) {
        return nullptr;
    }
    pthread_condattr_t attributes;
    pthread_condattr_init(&attributes);
    pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
    const int conditionFailed = pthread_cond_init(&block->changed, &attributes);
    pthread_condattr_destroy(&attributes);
    if (conditionFailed != 0) {
        delete block;
        return nullptr;
    }
    block->routine = routine;
    block->argument = argument;
    block->suspendCount.store(suspended ? 1 : 0);
    if (pthread_create(&block->thread, nullptr, threadStart, block) != 0) {
        block->references.store(1);
        releaseBlock(block);
        return nullptr;
    }
    BlockLock hold(block);
    while (!block->idKnown) {
        pthread_cond_wait(&block->changed, &block->mutex);
    }
    if (threadId != nullptr) {
        *threadId = block->kernelId;
    }
    return block;
}

bool startDetachedThread(ThreadRoutine routine, void* argument) {
    void* thread = createThread(routine, argument, false, nullptr);
    closeThread(thread);
    return thread != nullptr;
}

void closeThread(void* thread) {
    if (thread == nullptr) {
        return;
    }
    auto* block = static_cast<ControlBlock*>(thread);
    pthread_detach(block->thread);
    releaseBlock(block);
}

unsigned long suspendThread(void* thread) {
    auto* block = static_cast<ControlBlock*>(thread);
    BlockLock hold(block);
    if (block->finished || block->killRequested) {
        return kThreadCallFailed;
    }
    const long previous = block->suspendCount.fetch_add(1);
    if (previous == 0 && block->running) {
        pthread_kill(block->thread, parkSignal());
    }
    return static_cast<unsigned long>(previous);
}

unsigned long resumeThread(void* thread) {
    auto* block = static_cast<ControlBlock*>(thread);
    BlockLock hold(block);
    const long previous = block->suspendCount.load();
    if (previous == 0) {
        return 0;
    }
    block->suspendCount.store(previous - 1);
    if (previous == 1) {
        if (!block->running) {
            pthread_cond_broadcast(&block->changed);  // opens the start gate
        } else if (!block->finished) {
            pthread_kill(block->thread, wakeSignal());
        }
    }
    return static_cast<unsigned long>(previous);
}

bool terminateThread(void* thread, unsigned long exitCode) {
    auto* block = static_cast<ControlBlock*>(thread);
    {
        BlockLock hold(block);
        if (block->finished) {
            return true;
        }
        if (!block->killRequested) {
            block->killRequested = true;
            block->killCode = exitCode;
        }
        block->killing.store(true);
        block->suspendCount.store(0);
        pthread_cond_broadcast(&block->changed);  // a thread at the start gate ends there
        if (block->running) {
            pthread_kill(block->thread, wakeSignal());
        }
    }
    // Cancel only once the thread has left the park handler, so that it never
    // unwinds from inside a signal handler.
    while (block->parked.load()) {
        sleepMilliseconds(1);
    }
    pthread_cancel(block->thread);
    BlockLock hold(block);
    while (!block->finished) {
        pthread_cond_wait(&block->changed, &block->mutex);
    }
    return true;
}

bool setThreadPriority(void* thread, int priority) {
    int nice = 0;
    switch (priority) {
        case -15: nice = 19; break;
        case -2: nice = 10; break;
        case -1: nice = 5; break;
        case 0: nice = 0; break;
        case 1: nice = -5; break;
        case 2: nice = -10; break;
        case 15: nice = -20; break;
        default: return false;
    }
    auto* block = static_cast<ControlBlock*>(thread);
    BlockLock hold(block);
    if (block->finished) {
        return false;
    }
    return setpriority(PRIO_PROCESS, static_cast<id_t>(block->kernelId), nice) == 0;
}

bool waitForThread(void* thread, unsigned long timeoutMs) {
    auto* block = static_cast<ControlBlock*>(thread);
    const timespec deadline = monotonicDeadlineAfter(timeoutMs == kWaitForever ? 0 : timeoutMs);
    BlockLock hold(block);
    while (!block->finished) {
        if (timeoutMs == kWaitForever) {
            pthread_cond_wait(&block->changed, &block->mutex);
        } else if (pthread_cond_timedwait(&block->changed, &block->mutex, &deadline) == ETIMEDOUT) {
            return block->finished;
        }
    }
    return true;
}

bool threadExitCode(void* thread, unsigned long* exitCode) {
    auto* block = static_cast<ControlBlock*>(thread);
    BlockLock hold(block);
    if (!block->finished) {
        return false;
    }
    *exitCode = block->exitCode;
    return true;
}

void sleepMilliseconds(unsigned long milliseconds) {
    timespec remaining{static_cast<time_t>(milliseconds / 1000),
                       static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
    }
}

}  // namespace platform
}  // namespace util
