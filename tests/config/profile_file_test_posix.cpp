// How the POSIX profile functions treat the file itself: in-place writes, permissions,
// files that are not regular or are huge, UTF-16, processes forked mid-write.
#include <gtest/gtest.h>

#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "config/config_platform.h"
#include "config/config_store.h"
#include "config/ini_reader.h"
#include "support/child_posix.h"
#include "support/test_support.h"

namespace {

using namespace util::config;
using util_test::readFile;
using util_test::runInChild;
using util_test::writeFile;

// One INI file in a directory of its own.
struct ProfileFilePosix : ::testing::Test {
    util_test::TempDir dir;
    const std::string path = dir.file("t.ini");
    std::string value(const char* section, const char* key, const std::string& file = "") {
        char buffer[64];
        profileString(section, key, "<none>", buffer, sizeof buffer, (file.empty() ? path : file).c_str());
        return buffer;
    }
};

int lowestFreeDescriptor() {
    const int probe = dup(0);
    close(probe);
    return probe;
}

// A write edits the file in place: links, owner and mode stay; a writable file in a directory the
// writer cannot change is written. A file nobody may write is refused (as Windows refuses a read-only
// file), root included; so is a write the file system refuses (past the size limit), the file unchanged.
TEST_F(ProfileFilePosix, WriteInPlaceKeepsLinksOwnerAndMode) {
    const std::string closed = dir.file("closed"), target = closed + "/real.ini", hard = dir.file("hard.ini");
    ASSERT_EQ(mkdir(closed.c_str(), 0755), 0);
    ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
    writeFile(target, "; kept\n[s]\nk=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0646), 0);
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    ASSERT_EQ(link(target.c_str(), hard.c_str()), 0);
    const passwd* nobody = geteuid() == 0 ? getpwnam("nobody") : nullptr;
    EXPECT_EQ(runInChild([&] {  // as another user when this test runs as root
                  if (nobody != nullptr && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) return 10;
                  return profileWrite("s", "k", "2", path.c_str()) == 1 ? 0 : 1;
              }),
              0);
    EXPECT_EQ(profileWrite("s", "n", "3", hard.c_str()), 1);
    struct stat info;
    EXPECT_TRUE(lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0646u);
    EXPECT_EQ(info.st_uid, geteuid());
    EXPECT_EQ(readFile(hard), "; kept\n[s]\nk=2\nn=3\n");
    const rlim_t size = readFile(target).size();
    EXPECT_EQ(runInChild([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  const rlimit limit{size + 4, size + 4};
                  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
                  if (profileWrite("s", "long", "more than four bytes", target.c_str()) != 0) return 1;
                  return profileWrite("s", "k", "9", target.c_str()) == 1 ? 0 : 2;  // same length: fits
              }),
              0);
    EXPECT_EQ(readFile(target), "; kept\n[s]\nk=9\nn=3\n");
    EXPECT_EQ(profileWrite("s", nullptr, nullptr, target.c_str()), 1);  // shorter text: the file is cut to it
    EXPECT_EQ(readFile(hard), "; kept\n");
    ASSERT_EQ(chmod(target.c_str(), 0444), 0);
    EXPECT_EQ(profileWrite("s", "k", "2", target.c_str()), 0);
    EXPECT_EQ(readFile(target), "; kept\n");
}

// A directory, a FIFO without a writer and an endless device read as a missing file, are never written
// and are no stores: nothing blocks or grows without bound. A loaded store keeps no descriptor.
TEST_F(ProfileFilePosix, WhatIsNotARegularFileIsMissing) {
    ASSERT_EQ(mkfifo(path.c_str(), 0666), 0);
    for (const std::string& file : {dir.path(), path, std::string("/dev/zero")}) {
        EXPECT_EQ(runInChild([&] {
                      if (value("s", "k", file) != "<none>" || profileWrite("s", "k", "v", file.c_str()) != 0) return 1;
                      return OpenConfig(file.c_str()) == nullptr ? 0 : 2;
                  }),
                  0)
            << file;
    }
    EXPECT_EQ(profileWrite("s", "k", "v", ""), 0);
    EXPECT_EQ(profileWrite("s", "k", "v", nullptr), 0);
    writeFile(dir.file("c.conf"), "[s]\nk=v\n");
    const int free = lowestFreeDescriptor();
    EXPECT_EQ(CloseConfig(OpenConfig(dir.file("c.conf").c_str())), 1);
    EXPECT_EQ(lowestFreeDescriptor(), free);
}

// 32 MiB of short lines: a read keeps one line at a time, a write a few copies of the file, not a
// record per line (400 MB of address space); with too little (100 MB) a write fails, the file stays.
TEST_F(ProfileFilePosix, LargeFileUnderAnAddressSpaceLimit) {
#ifdef UTIL_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit";
#else
    std::string text = "[big]\n";
    for (int index = 0; text.size() < (32u << 20); ++index) text += "k" + std::to_string(index) + "=v\n";
    writeFile(path, text + "last=found\n");
    text = std::string();
    const auto write = [&](rlim_t megabytes, const char* old, const char* value) {
        return runInChild(
            [&] {
                const rlimit limit{megabytes << 20, megabytes << 20};
                if (setrlimit(RLIMIT_AS, &limit) != 0) return 10;
                if (this->value("big", "last") != old) return 1;
                return profileWrite("big", "last", value, path.c_str()) == 1 ? 0 : 2;
            },
            std::chrono::seconds(60));
    };
    EXPECT_EQ(write(400, "found", "written"), 0);
    const std::string before = readFile(path);
    EXPECT_EQ(write(100, "written", "again"), 2);
    EXPECT_TRUE(readFile(path) == before);
    // Out of memory on a 2 MiB line a read fails and closes the file; a list reports count and size 0.
    writeFile(path, "[s]\nk=" + std::string(2u << 20, 'v') + "\n");
    EXPECT_EQ(runInChild([&] {
                  // The address space in use, then 16 MiB more, all but 256 KiB of it filled.
                  const rlim_t room = std::stoul(readFile("/proc/self/statm")) * sysconf(_SC_PAGESIZE) + (16u << 20);
                  const rlimit limit{room, room};
                  ZnIniReader reader(path.c_str());
                  std::vector<void*> blocks;
                  blocks.reserve(4096);
                  if (setrlimit(RLIMIT_AS, &limit) != 0) return 10;
                  while (void* block = std::malloc(64u << 10)) blocks.push_back(block);
                  for (int spare = 0; spare < 4 && !blocks.empty(); ++spare, blocks.pop_back())
                      std::free(blocks.back());
                  const int free = lowestFreeDescriptor();
                  char buffer[8] = "x";
                  if (profileString("s", "k", "d", buffer, sizeof buffer, path.c_str()) != 0 || buffer[0] != '\0')
                      return 1;
                  if (lowestFreeDescriptor() != free) return 2;
                  while (void* block = std::malloc(4096)) blocks.push_back(block);
                  unsigned long count = 5, size = 5;
                  return reader.GetSectionNames(nullptr, &count, &size) == 0 && count == 0 && size == 0 ? 0 : 3;
              }),
              0);
#endif
}

// UTF-16 files keep their encoding; text that is not UTF-8, or a file of an odd length, is never written.
TEST_F(ProfileFilePosix, Utf16FilesStayUtf16) {
    const std::string wide("\xFE\xFF\0[\0s\0]\0\n\0k\0=\0C\0\xE9\xD8\x3D\xDE\x00\0\n", 24);
    writeFile(path, wide);
    EXPECT_EQ(value("s", "k"), "C\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(profileWrite("s", "n", "\xDF\xBF", path.c_str()), 1);  // U+07FF: the last two-byte character
    EXPECT_EQ(profileWrite("s", "n", "\xE9", path.c_str()), 0);
    EXPECT_EQ(readFile(path), wide + std::string("\0n\0=\x07\xFF\0\n", 8));
    writeFile(path, wide + "x");
    EXPECT_EQ(value("s", "k"), "C\xC3\xA9\xF0\x9F\x98\x80");
    EXPECT_EQ(profileWrite("s", "k", "w", path.c_str()), 0);
}

// Processes writing one file at once lose no key: each read-edit-write holds the file's lock. Each child
// is forked while this process's main thread is inside the engine, and must be able to use it at once.
TEST_F(ProfileFilePosix, ProcessesForkedMidWriteLoseNoKey) {
    constexpr int kChildren = 10, kWrites = 20;
    const auto writeKeys = [&](int writer, int count) {
        int failures = 0;
        for (int index = 0; index < count; ++index) {
            failures += profileWrite("shared", std::to_string(writer * 1000 + index).c_str(), "v", path.c_str()) != 1;
        }
        return failures;
    };
    std::vector<int> children;
    std::thread forker([&] {
        for (int child = 1; child <= kChildren; ++child) {
            children.push_back(runInChild([&] { return writeKeys(child, kWrites); }, std::chrono::seconds(20)));
        }
    });
    EXPECT_EQ(writeKeys(0, kChildren * kWrites), 0);
    forker.join();
    EXPECT_EQ(children, std::vector<int>(kChildren, 0));
    unsigned long count = 0, size = 0;
    EXPECT_EQ(ZnIniReader(path.c_str()).GetSectionData("shared", nullptr, &count, &size), 0);
    EXPECT_EQ(count, 2u * kChildren * kWrites);
}

}  // namespace
