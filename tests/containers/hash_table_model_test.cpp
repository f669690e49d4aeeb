// HashTable against a std::map model: a long random run of Add, Get, Del and
// walks (some deleting as they go) over keys of many lengths, 4-byte keys
// included, checked at every step. The key set is small enough that entries are
// deleted and re-added often, so growth and node reuse are exercised too.
#include "containers/hash_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

class HashTableModel : public ::testing::Test {
protected:
    void SetUp() override {
        std::mt19937 random(20240305);
        // Lengths 0..40 with extra weight on 4; bytes over the whole 0..255 range.
        while (keys.size() < kKeyCount) {
            std::uniform_int_distribution<int> lengthPick(0, 50);
            int length = lengthPick(random);
            if (length > 40) {
                length = 4;
            }
            std::string key(static_cast<std::size_t>(length), '\0');
            for (char& byte : key) {
                byte = static_cast<char>(random() & 0xFF);
            }
            if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                keys.push_back(key);
            }
        }
        // The table keeps key pointers: copies live in their own buffers, so that
        // lookups also prove that equal bytes make equal keys.
        lookupCopies = keys;
    }

    static void* valueFor(std::uint32_t serial) {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(serial) * 8);
    }

    void* stored(std::size_t index) {
        auto found = model.find(index);
        return found == model.end() ? nullptr : valueFor(found->second);
    }

    // Walks the whole table; each entry must come out once and match the model.
    // deletePercent of the entries are deleted just after the walk returns them.
    void walkAndCheck(std::mt19937& random, int deletePercent) {
        std::map<std::uint32_t, std::size_t> keyOfSerial;
        for (const auto& entry : model) {
            keyOfSerial[entry.second] = entry.first;
        }
        std::map<std::uint32_t, int> seen;
        std::uniform_int_distribution<int> percent(0, 99);
        for (void* value = table.First(); value != nullptr; value = table.Next()) {
            const std::uint32_t serial =
                static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value) / 8);
            ASSERT_EQ(1u, keyOfSerial.count(serial)) << "walk returned a value not in the table";
            ASSERT_EQ(0, seen[serial]++) << "walk returned an entry twice";
            if (percent(random) < deletePercent) {
                const std::size_t index = keyOfSerial[serial];
                const std::string& copy = lookupCopies[index];
                ASSERT_EQ(1, table.Del(const_cast<char*>(copy.data()), static_cast<int>(copy.size())));
                model.erase(index);
            }
        }
        EXPECT_EQ(keyOfSerial.size(), seen.size()) << "walk missed entries";
    }

    static constexpr std::size_t kKeyCount = 700;
    std::vector<std::string> keys;
    std::vector<std::string> lookupCopies;
    std::map<std::size_t, std::uint32_t> model;  // key index -> value serial
    HashTable table;
};

TEST_F(HashTableModel, RandomOperationsMatchAMap) {
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> keyPick(0, kKeyCount - 1);
    std::uniform_int_distribution<int> operationPick(0, 999);
    std::uint32_t nextSerial = 1;
    int largestCount = 0;
    for (int step = 0; step < 30000; ++step) {
        const std::size_t index = keyPick(random);
        char* key = &keys[index][0];
        char* copy = &lookupCopies[index][0];
        const int length = static_cast<int>(keys[index].size());
        const int operation = operationPick(random);
        // Adds outweigh deletes early on so the table grows, and then balance out.
        const int addShare = step < 3000 ? 700 : 450;
        if (operation < addShare) {
            void* before = stored(index);
            const std::uint32_t serial = nextSerial++;
            const int result = table.Add(key, length, valueFor(serial));
            ASSERT_EQ(before == nullptr ? 1 : 0, result) << "step " << step;
            if (before == nullptr) {
                model[index] = serial;
            }
            ASSERT_EQ(stored(index), table.Get(copy, length)) << "step " << step;
        } else if (operation < 800) {
            ASSERT_EQ(stored(index), table.Get(copy, length)) << "step " << step;
        } else if (operation < 995) {
            const int expected = model.erase(index) == 1 ? 1 : 0;
            ASSERT_EQ(expected, table.Del(copy, length)) << "step " << step;
            ASSERT_EQ(nullptr, table.Get(key, length)) << "step " << step;
        } else {
            walkAndCheck(random, operation % 2 == 0 ? 0 : 30);
            if (HasFatalFailure()) {
                return;
            }
        }
        ASSERT_EQ(static_cast<int>(model.size()), table.Count()) << "step " << step;
        largestCount = std::max(largestCount, table.Count());
    }
    EXPECT_GT(largestCount, 300) << "the run should grow the table several times";
    walkAndCheck(random, 100);
    EXPECT_EQ(0, table.Count());
}

}  // namespace
