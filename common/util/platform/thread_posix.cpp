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

#include "platform/check.h"
#include "platform/clock_posix.h"

#include "platform/event.h"

namespace util {
namespace platform {

// The handle of a POSIX thread. Two references: the creator's handle
// (closeThread) and the running thread; the last one frees the block.
struct Thread {
    Liveness live = Liveness::Thread;  // of the handle: Freed once closeThread let it go
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
    // Atomic as well: read by the stopping thread while it polls for parkedForGood.
    std::atomic<bool> finished{false};
    std::atomic<unsigned long> killCode{0};
    std::atomic<unsigned long> exitCode{0};
    // Read by the park handler, which may take no lock; changed under the mutex.
    std::atomic<long> suspendCount{0};
    std::atomic<bool> killing{false};
    std::atomic<bool> parked{false};
    // Set by the park handler of a stopped thread as its last touch of the block.
    std::atomic<bool> parkedForGood{false};
};

namespace {

int parkSignal() { return SIGRTMIN + 6; }
int wakeSignal() { return SIGRTMIN + 7; }

// Initial-exec so that the signal handler reads it without a lazy TLS allocation.
__attribute__((tls_model("initial-exec"))) thread_local Thread* currentBlock = nullptr;

void releaseBlock(Thread* block) {
    if (block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        pthread_cond_destroy(&block->changed);
        pthread_mutex_destroy(&block->mutex);
        delete block;
    }
}

// The forced stop: the thread never runs again. Every signal stays blocked, so
// no handler runs on it and the process's signals go to other threads; its
// stack, thread-local data and whatever locks it holds are kept.
[[noreturn]] void parkForGood(Thread* self) {
    currentBlock = nullptr;
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    self->parkedForGood.store(true);  // the block may be freed from here on
    for (;;) {
        sigsuspend(&all);
    }
}

// Runs on the thread being suspended or stopped: parks it until resumed, or
// for good once stopped. The wake signal is blocked while the handler runs
// (sa_mask) and only let through by sigsuspend, so a wake-up sent between the
// check and the wait is not lost.
void onParkSignal(int) {
    const int savedErrno = errno;
    Thread* self = currentBlock;
    if (self != nullptr) {
        sigset_t waitMask;
        pthread_sigmask(SIG_BLOCK, nullptr, &waitMask);
        sigdelset(&waitMask, wakeSignal());
        self->parked.store(true);
        while (self->suspendCount.load() > 0 && !self->killing.load()) {
            sigsuspend(&waitMask);
        }
        if (self->killing.load()) {
            parkForGood(self);
        }
        self->parked.store(false);
    }
    errno = savedErrno;
}

void onWakeSignal(int) {}

// A forked child has only the thread that forked: no park signal can reach it
// from its parent's handles, and its record belongs to the parent.
void forgetThreadInChild() { currentBlock = nullptr; }

void installSignalHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        pthread_atfork(nullptr, nullptr, &forgetThreadInChild);
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

// Holds a control block's mutex. A thread of this library holds it with the
// park signal blocked, so that it is never suspended or stopped while it
// holds the mutex (every other call on that thread would then wait for ever);
// a park signal sent meanwhile takes effect when the lock is let go.
class BlockLock {
public:
    explicit BlockLock(Thread* block) : block_(block), masked_(currentBlock != nullptr) {
        if (masked_) {
            sigset_t park;
            sigemptyset(&park);
            sigaddset(&park, parkSignal());
            pthread_sigmask(SIG_BLOCK, &park, &previous_);
        }
        pthread_mutex_lock(&block_->mutex);
    }
    ~BlockLock() {
        pthread_mutex_unlock(&block_->mutex);
        if (masked_) {
            pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        }
    }
    BlockLock(const BlockLock&) = delete;
    BlockLock& operator=(const BlockLock&) = delete;

private:
    Thread* block_;
    bool masked_;
    sigset_t previous_;
};

// Marks the thread finished when it returns, or when it was stopped at the
// start gate (its exit code is then the one terminateThread gave).
class FinishMark {
public:
    explicit FinishMark(Thread* block) : block_(block) {}
    ~FinishMark() {
        // Ending: a suspension or stop that comes now has nothing left to stop.
        sigset_t park;
        sigemptyset(&park);
        sigaddset(&park, parkSignal());
        pthread_sigmask(SIG_BLOCK, &park, nullptr);
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
    Thread* block_;
    unsigned long result_ = 0;
    bool returned_ = false;
};

// The handle, checked to be a live one (in the builds that check).
Thread* liveBlock(Thread* thread) {
    UTIL_DCHECK(thread != nullptr && thread->live == Liveness::Thread);
    return thread;
}

void* threadStart(void* parameter) {
    auto* block = static_cast<Thread*>(parameter);
    currentBlock = block;
    sigset_t ours;
    sigemptyset(&ours);
    sigaddset(&ours, parkSignal());
    sigaddset(&ours, wakeSignal());
    pthread_sigmask(SIG_UNBLOCK, &ours, nullptr);
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
        finish.setResult(block->routine(block->argument));
    }
    return nullptr;
}

}  // namespace

Thread* createThread(ThreadRoutine routine, void* argument, bool suspended, std::uint32_t* threadId) {
    installSignalHandlers();
    auto* block = new (std::nothrow) Thread;
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
    Thread* thread = createThread(routine, argument, false, nullptr);
    closeThread(thread);
    return thread != nullptr;
}

void closeThread(Thread* thread) {
    if (thread == nullptr) {
        return;
    }
    Thread* block = liveBlock(thread);
    block->live = Liveness::Freed;
    pthread_detach(block->thread);
    releaseBlock(block);
}

unsigned long suspendThread(Thread* thread) {
    Thread* block = liveBlock(thread);
    long previous = 0;
    bool park = false;
    {
        BlockLock hold(block);
        if (block->finished || block->killRequested) {
            return kThreadCallFailed;
        }
        previous = block->suspendCount.fetch_add(1);
        park = previous == 0 && block->running;
    }
    // Raised after the lock is let go: a thread that suspends itself parks
    // here, and its owner must be able to take the lock to resume it. A resume
    // that comes first leaves the count at 0, and the handler returns at once.
    if (park) {
        pthread_kill(block->thread, parkSignal());
    }
    return static_cast<unsigned long>(previous);
}

unsigned long resumeThread(Thread* thread) {
    Thread* block = liveBlock(thread);
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

bool terminateThread(Thread* thread, unsigned long exitCode) {
    Thread* block = liveBlock(thread);
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
        // A running thread takes the park signal; a suspended one, already in
        // the handler (which blocks it), the wake signal. Both see `killing`.
        pthread_kill(block->thread, parkSignal());
        pthread_kill(block->thread, wakeSignal());
    }
    // The thread is never unwound: it parks for good. It cannot hold this
    // mutex while it parks (see BlockLock), so polling under it is safe.
    while (!block->finished && !block->parkedForGood.load()) {
        const timespec shortly = monotonicDeadlineAfter(2);
        pthread_cond_timedwait(&block->changed, &block->mutex, &shortly);
    }
    if (!block->finished) {
        block->exitCode = block->killCode.load();
        block->finished = true;
        pthread_cond_broadcast(&block->changed);
        // The parked thread never lets its reference go: let it go for it. The
        // handle's own reference remains, so the block stays.
        block->references.fetch_sub(1, std::memory_order_acq_rel);
    }
    return true;
}

bool setThreadPriority(Thread* thread, int priority) {
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
    Thread* block = liveBlock(thread);
    BlockLock hold(block);
    if (block->finished) {
        return false;
    }
    return setpriority(PRIO_PROCESS, static_cast<id_t>(block->kernelId), nice) == 0;
}

bool waitForThread(Thread* thread, unsigned long timeoutMs) {
    Thread* block = liveBlock(thread);
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

bool threadExitCode(Thread* thread, unsigned long* exitCode) {
    Thread* block = liveBlock(thread);
    BlockLock hold(block);
    if (!block->finished) {
        return false;
    }
    *exitCode = block->exitCode;
    return true;
}

void sleepMilliseconds(unsigned long milliseconds) {
    // nanosleep is never restarted after a signal handler; the loop sleeps the rest.
    timespec remaining{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {}
}

}  // namespace platform
}  // namespace util
