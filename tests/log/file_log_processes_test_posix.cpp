// Forked while threads hold the log and clock locks, children find both free, append whole records with their own
// ids (the forking thread's id cache was full), and close a log file opened as descriptor 0 (standard input closed).
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "log_test_support.h"
#include "support/child_posix.h"

namespace util_test {
namespace {

TEST_F(FileLogTest, ChildrenForkedWhileThreadsLogAppendWholeRecordsWithTheirOwnIds) {
    const int kChildren = 50, kRecords = 20;
    const std::string body(3000, '#');
    FileLog::log_size = 0x7FFFFFFF;  // no rotation: every record stays in one file
    writeRecords(1, body);           // fills this thread's id cache
    const int savedError = dup(2), nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, 2);  // the standard-error lines go nowhere
    close(nowhere);
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    FileLog log("proc");
    threads.emplace_back([&] {
        for (int n = 0; !stop; ++n) log.LogMsg(1, "proc", "p.cpp", 2, "n=%d %s\n", n, body.c_str());
    });
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            while (!stop) log.TraceMsgEx("x");
        });
    int failed = 0;
    for (int child = 0; child < kChildren && failed < 3; ++child) {
        failed += runInChild(
                      [child, &body] {
                          if (child == 0) close(0);
                          writeRecords(kRecords, body);
                          return child == 0 && open("/dev/null", O_RDONLY) != 0 ? 1 : 0;
                      },
                      std::chrono::seconds(2)) != 0;
    }
    stop = true;
    for (auto& thread : threads) thread.join();
    dup2(savedError, 2);
    close(savedError);
    EXPECT_EQ(0, failed) << "children that hung or left a descriptor open";

    Records children;
    for (const auto& writer : collectRecords(readFile(path), body)) {
        if (writer.first.first == static_cast<int>(processId())) continue;  // this thread and the busy one
        EXPECT_EQ(writer.first.first, writer.first.second);  // a child's only thread has its process id as tid
        children.insert(writer);
    }
    expectEveryRecord(children, kChildren, kRecords);
}

}  // namespace
}  // namespace util_test
