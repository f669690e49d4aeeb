#include "platform/thread.h"

#include <process.h>

#include <new>

#include "platform/check.h"
#include "platform/win_include.h"

namespace util {
namespace platform {

namespace {

// The portable routine and its argument travel to the __stdcall trampolines
// in a heap block that the new thread frees first thing.
struct StartBlock {
    ThreadRoutine routine;
    void* argument;
};

unsigned long runStartBlock(void* parameter) {
    StartBlock block = *static_cast<StartBlock*>(parameter);
    delete static_cast<StartBlock*>(parameter);
    return block.routine(block.argument);
}

unsigned __stdcall beginThreadTrampoline(void* parameter) { return static_cast<unsigned>(runStartBlock(parameter)); }

DWORD WINAPI createThreadTrampoline(void* parameter) { return static_cast<DWORD>(runStartBlock(parameter)); }

}  // namespace

Thread* createThread(ThreadRoutine routine, void* argument, bool suspended, std::uint32_t* threadId) {
    auto* block = new (std::nothrow) StartBlock{routine, argument};
    if (block == nullptr) {
        return nullptr;
    }
    unsigned id = 0;
    const uintptr_t handle =
        _beginthreadex(nullptr, 0, beginThreadTrampoline, block, suspended ? CREATE_SUSPENDED : 0, &id);
    if (handle == 0) {
        delete block;
        return nullptr;
    }
    if (threadId != nullptr) {
        *threadId = id;
    }
    return reinterpret_cast<Thread*>(handle);  // a thread is its Win32 handle
}

bool startDetachedThread(ThreadRoutine routine, void* argument) {
    auto* block = new (std::nothrow) StartBlock{routine, argument};
    if (block == nullptr) {
        return false;
    }
    HANDLE handle = CreateThread(nullptr, 0, createThreadTrampoline, block, 0, nullptr);
    if (handle == nullptr) {
        delete block;
        return false;
    }
    CloseHandle(handle);
    return true;
}

void closeThread(Thread* thread) {
    if (thread != nullptr) {
        const BOOL closed = CloseHandle(thread);  // fails for a handle closed before
        UTIL_DCHECK(closed != 0);
    }
}

unsigned long suspendThread(Thread* thread) { return SuspendThread(thread); }

unsigned long resumeThread(Thread* thread) { return ResumeThread(thread); }

bool terminateThread(Thread* thread, unsigned long exitCode) {
    // A thread that has ended keeps its exit code (Wine would replace it).
    if (WaitForSingleObject(thread, 0) == WAIT_OBJECT_0) {
        return true;
    }
    return TerminateThread(thread, exitCode) != 0;
}

bool setThreadPriority(Thread* thread, int priority) { return SetThreadPriority(thread, priority) != 0; }

bool waitForThread(Thread* thread, unsigned long timeoutMs) {
    return WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
}

bool threadExitCode(Thread* thread, unsigned long* exitCode) {
    DWORD code = 0;
    if (GetExitCodeThread(thread, &code) == 0 || code == STILL_ACTIVE) {
        return false;
    }
    *exitCode = code;
    return true;
}

void sleepMilliseconds(unsigned long milliseconds) { Sleep(milliseconds); }

}  // namespace platform
}  // namespace util
