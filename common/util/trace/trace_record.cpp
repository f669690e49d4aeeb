#include "trace/trace_record.h"

#include <atomic>
#include <cstring>
#include <new>

#include "platform/process.h"
#include "trace/function_call_tracer.h"
#include "trace/trace_platform.h"

namespace util {
namespace trace {

namespace {

// Records live for the rest of the process. Each one is also pushed onto this
// list so that it stays reachable after its thread has ended, and so that a
// forked child can close every connection it inherited.
struct RecordNode {
    TraceThreadRecord record;
    RecordNode* next;
};

std::atomic<RecordNode*> allRecords{nullptr};

void keepReachable(RecordNode* node) {
    node->next = allRecords.load(std::memory_order_relaxed);
    while (!allRecords.compare_exchange_weak(node->next, node, std::memory_order_release, std::memory_order_relaxed)) {}
}

// The viewer's connection, made only when tracing to the viewer and its window is up.
void openViewerConnection(TraceThreadRecord& record) {
    if (trace_to_viewer != 1) {
        return;
    }
    // The title is client data: read no more than the array holds.
    char title[sizeof viewer_title];
    std::memcpy(title, viewer_title, sizeof title - 1);
    title[sizeof title - 1] = '\0';
    if (!viewerWindowExists(title)) {
        return;
    }
    openViewerSocket(&record.sock);
    if (record.sock != kTraceNoSocket) {
        connectViewerSocket(record.sock, viewer_port);
    }
}

}  // namespace

TraceThreadRecord* threadRecord() {
    if (TraceThreadRecord* existing = storedThreadRecord()) {
        return existing;
    }
    auto* node = new (std::nothrow) RecordNode;
    if (node == nullptr) {
        return nullptr;
    }
    TraceThreadRecord& record = node->record;
    record.pid = static_cast<std::uint32_t>(platform::currentProcessId());
    record.tid = static_cast<std::uint32_t>(platform::currentThreadId());
    record.depth = 0;
    record.sock = kTraceNoSocket;
    if (!storeThreadRecord(&record)) {
        delete node;
        return nullptr;
    }
    // On the list before the socket exists, so that a forked child finds it.
    keepReachable(node);
    openViewerConnection(record);
    return &record;
}

void releaseThreadRecord(TraceThreadRecord* record) {
    if (record != nullptr) {
        closeViewerSocket(&record->sock);
    }
}

void forEachRecord(void (*visit)(TraceThreadRecord& record)) {
    for (RecordNode* node = allRecords.load(std::memory_order_acquire); node != nullptr; node = node->next) {
        visit(node->record);
    }
}

}  // namespace trace
}  // namespace util
