// The store when memory runs out: nothing stored may be lost.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/config_records.h"
#include "config/config_store.h"
#include "support/test_support.h"

namespace {

int allocationsLeft = -1;  // -1: never fail

void* failingAllocator(std::size_t count, std::size_t size) {
    if (allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    return std::calloc(count, size);
}

struct ConfigStoreMemory : ::testing::Test {
    util::config::ZeroAllocator previous = util::config::setConfigAllocator(failingAllocator);
    ~ConfigStoreMemory() override {
        allocationsLeft = -1;
        util::config::setConfigAllocator(previous);
    }
};

std::string get(void* store, const char* section, const char* key) {
    char buffer[64];
    int length = sizeof buffer - 1;
    return GetConfig(store, section, key, buffer, &length) == 1 ? std::string(buffer) : "<absent>";
}

TEST_F(ConfigStoreMemory, FailedReplacementKeepsTheOldValue) {
    void* store = CreateConfig();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(SetConfig(store, "s", "a", "1"), 1);
    ASSERT_EQ(SetConfig(store, "s", "k", "old"), 1);
    allocationsLeft = 0;
    EXPECT_EQ(SetConfig(store, "s", "k", "new"), 0);
    EXPECT_EQ(SetConfig(store, "other", "k", "v"), 0);
    allocationsLeft = 1;  // the entry succeeds, the new section does not
    EXPECT_EQ(SetConfig(store, "other", "k", "v"), 0);
    allocationsLeft = -1;
    EXPECT_EQ(get(store, "s", "k"), "old");
    EXPECT_EQ(get(store, "s", "a"), "1");
    EXPECT_EQ(get(store, "other", "k"), "<absent>");
    EXPECT_EQ(SetConfig(store, "s", "k", "new"), 1);
    EXPECT_EQ(get(store, "s", "k"), "new");
    CloseConfig(store);
}

TEST_F(ConfigStoreMemory, LoadSkipsWhatItCannotAllocate) {
    util_test::TempDir dir;
    const std::string path = dir.file("c.conf");
    util_test::writeFile(path, "[a]\nx=1\ny=2\n[b]\nz=3\n");
    allocationsLeft = 0;  // not even the store
    EXPECT_EQ(OpenConfig(path.c_str()), nullptr);
    allocationsLeft = 2;  // the store and [a]; entries x, y and section [b] fail
    void* store = OpenConfig(path.c_str());
    ASSERT_NE(store, nullptr);
    allocationsLeft = -1;
    EXPECT_EQ(get(store, "a", "x"), "<absent>");
    EXPECT_EQ(get(store, "b", "z"), "<absent>");  // dropped: its section failed
    EXPECT_EQ(SetConfig(store, "a", "x", "9"), 1);
    EXPECT_EQ(get(store, "a", "x"), "9");
    CloseConfig(store);
}

}  // namespace
