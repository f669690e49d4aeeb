#include "sync/zn_thread.h"

#include "platform/interlocked.h"
#include "platform/thread.h"

using namespace util::platform;

namespace {
const int kStopPolls = 300;
const unsigned long kStopPollMs = 20;
const unsigned long kKilledExitCode = 0xFFFFFFFFul;
}  // namespace

ZnThread::ZnThread()
    : ulErrorCode(0),
      bTerminate(0),
      hThread(nullptr),
      ulThreadId(0),
      bTerminated(0),
      bSuspended(1),
      bValid(0),
      bAutoDelete(0) {}

ZnThread::~ZnThread() {
    if (ZnThread::IsValid() == 0) {
        return;
    }
    if (bAutoDelete == 0) {
        ZnThread::Terminate();
        if (ZnThread::IsTerminated() == 0) {
            int poll = 0;
            while (poll < kStopPolls) {
                sleepMilliseconds(kStopPollMs);
                ++poll;
                if (ZnThread::IsTerminated() != 0) {
                    break;
                }
            }
            if (poll == kStopPolls && ZnThread::IsTerminated() == 0) {
                terminateThread(threadFromField(hThread), kKilledExitCode);
            }
        }
    }
    closeThread(threadFromField(hThread));
    hThread = nullptr;
}

unsigned long ZnThread::Create(int autoDelete) {
    if (hThread != nullptr) {
        return 0;
    }
    std::uint32_t id = 0;
    Thread* thread = createThread(ThreadStartProc, this, true, &id);
    if (thread == nullptr) {
        return 0;
    }
    ulThreadId = id;
    bAutoDelete = autoDelete;
    atomicStore(&bSuspended, 1);
    atomicStore(&bValid, 1);
    // Last: the thread may read the fields above only after a Resume.
    hThread = threadToField(thread);
    return 1;
}

unsigned long ZnThread::SetPriority(int priority) {
    if (hThread == nullptr) {
        return 0;
    }
    return setThreadPriority(threadFromField(hThread), priority) ? 1 : 0;
}

ZnThread::operator void*() const { return hThread; }

void* ZnThread::GetHandle() const { return hThread; }

unsigned long ZnThread::GetId() { return ulThreadId; }

unsigned long ZnThread::GetErrorCode() { return ulErrorCode; }

unsigned long ZnThread::Suspend() {
    if (IsValid() == 0) {
        return 0;
    }
    if (IsSuspended() != 0) {
        return 1;
    }
    // The flag is set before the call: a thread that runs on until the
    // suspension takes hold may end and delete itself.
    atomicStore(&bSuspended, 1);
    if (suspendThread(threadFromField(hThread)) == kThreadCallFailed) {
        atomicStore(&bSuspended, 0);
        return 0;
    }
    return 1;
}

unsigned long ZnThread::Resume() {
    if (IsValid() == 0) {
        return 0;
    }
    if (IsSuspended() == 0) {
        return 1;
    }
    // The flag is cleared before the call: once resumed, a self-deleting
    // thread may end and delete this object before the call returns.
    atomicStore(&bSuspended, 0);
    if (resumeThread(threadFromField(hThread)) == kThreadCallFailed) {
        atomicStore(&bSuspended, 1);
        return 0;
    }
    return 1;
}

unsigned long ZnThread::Terminate() {
    if (IsValid() == 0) {
        return 0;
    }
    // The request is set before the thread is resumed, for the same reason.
    atomicStore(&bTerminate, 1);
    Resume();
    return 1;
}

int ZnThread::IsTerminated() { return atomicLoad(&bTerminated); }

int ZnThread::IsSuspended() { return atomicLoad(&bSuspended); }

int ZnThread::IsValid() { return atomicLoad(&bValid); }

unsigned long ZnThread::Execute() { return 1; }

void ZnThread::PreExecute() {}

void ZnThread::PostExecute() {
    // Once bTerminated is 1 an owner may delete the object at once: read what
    // is still needed first, and touch nothing of the object after the store.
    const bool autoDelete = bAutoDelete != 0;
    atomicStore(&bTerminated, 1);
    if (autoDelete) {
        delete this;  // self-owned: nobody else deletes it
    }
}

unsigned long ZnThread::ThreadStartProc(void* object) {
    auto* thread = static_cast<ZnThread*>(object);
    thread->PreExecute();
    const unsigned long result = thread->Execute();
    thread->PostExecute();  // may delete the object: it is not touched again
    return result;
}
