#include "pcap/pcap_platform.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include "pcap/capture_format.h"
#include "pcap/packet_log_handle.h"
#include "platform/lock.h"

namespace util {
namespace pcap {

std::FILE* openStreamForWriting(const char* path) { return std::fopen(path, "wb"); }

std::FILE* openStreamForReading(const char* path) { return std::fopen(path, "rb"); }

void flushStreamToDisk(std::FILE* stream) {
    std::fflush(stream);
    fsync(fileno(stream));
}

void closeStream(std::FILE* stream, bool writing) {
    if (writing) {
        flushStreamToDisk(stream);
    }
    std::fclose(stream);
}

std::size_t writeToStream(std::FILE* stream, const void* data, std::size_t size) {
    return fwrite_unlocked(data, 1, size, stream);
}

std::size_t readFromStream(std::FILE* stream, void* data, std::size_t size) {
    return fread_unlocked(data, 1, size, stream);
}

namespace {

pthread_mutex_t trackedLock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t forkHandlersOnce = PTHREAD_ONCE_INIT;

std::vector<EthrLogHandle*>& trackedHandles() {
    static std::vector<EthrLogHandle*>* handles = new std::vector<EthrLogHandle*>;  // lives for the process
    return *handles;
}

void takeEveryHandleBeforeFork() {
    pthread_mutex_lock(&trackedLock);
    for (EthrLogHandle* handle : trackedHandles()) {
        platform::enterCriticalSection(handle->lock);
    }
}

void releaseEveryHandleInParent() {
    for (EthrLogHandle* handle : trackedHandles()) {
        platform::leaveCriticalSection(handle->lock);
    }
    pthread_mutex_unlock(&trackedLock);
}

// The child's thread has another id than the one that took the locks, so a
// recursive lock cannot be released there: each handle gets a new one (the old
// one's memory is left behind).
void renewEveryHandleInChild() {
    for (EthrLogHandle* handle : trackedHandles()) {
        if (platform::Lock* fresh = platform::createCriticalSection()) {
            handle->lock = fresh;
        } else {
            platform::leaveCriticalSection(handle->lock);
        }
    }
    pthread_mutex_init(&trackedLock, nullptr);
}

void installForkHandlers() {
    pthread_atfork(&takeEveryHandleBeforeFork, &releaseEveryHandleInParent, &renewEveryHandleInChild);
}

}  // namespace

void trackHandleAcrossFork(EthrLogHandle* handle) {
    pthread_once(&forkHandlersOnce, &installForkHandlers);
    pthread_mutex_lock(&trackedLock);
    try {
        trackedHandles().push_back(handle);
    } catch (...) {
        // Untracked: it works as before, only not across fork.
    }
    pthread_mutex_unlock(&trackedLock);
}

void untrackHandleAcrossFork(EthrLogHandle* handle) {
    pthread_mutex_lock(&trackedLock);
    std::vector<EthrLogHandle*>& handles = trackedHandles();
    handles.erase(std::remove(handles.begin(), handles.end(), handle), handles.end());
    pthread_mutex_unlock(&trackedLock);
}

std::int64_t systemFileTime() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 10000000 + now.tv_nsec / 100 + kFileTimeAtUnixEpoch;
}

}  // namespace pcap
}  // namespace util
