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

const std::size_t kKeyCount = 700;

void* valueFor(std::uint32_t serial) { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(serial) * 8); }

TEST(HashTableModel, RandomOperationsMatchAMap) {
    // Lengths 0..40 with extra weight on 4; bytes over the whole 0..255 range.
    std::mt19937 keyRandom(20240305);
    std::vector<std::string> keys;
    while (keys.size() < kKeyCount) {
        const int length = std::uniform_int_distribution<int>(0, 50)(keyRandom);
        std::string key(static_cast<std::size_t>(length > 40 ? 4 : length), '\0');
        for (char& byte : key) byte = static_cast<char>(keyRandom() & 0xFF);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
    }
    // The table keeps key pointers: lookups go through copies in their own
    // buffers, which also proves that equal bytes make equal keys.
    std::vector<std::string> copies = keys;
    std::map<std::size_t, std::uint32_t> model;  // key index -> value serial
    HashTable table;
    auto stored = [&](std::size_t index) {
        auto found = model.find(index);
        return found == model.end() ? nullptr : valueFor(found->second);
    };
    std::mt19937 random(7);
    // Walks the whole table; each entry must come out once and match the model.
    // deletePercent of the entries are deleted just after the walk returns them.
    auto walkAndCheck = [&](int deletePercent) {
        std::map<std::uint32_t, std::size_t> keyOfSerial;
        for (const auto& entry : model) keyOfSerial[entry.second] = entry.first;
        std::map<std::uint32_t, int> seen;
        std::uniform_int_distribution<int> percent(0, 99);
        for (void* value = table.First(); value != nullptr; value = table.Next()) {
            const auto serial = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(value) / 8);
            ASSERT_EQ(1u, keyOfSerial.count(serial)) << "walk returned a value not in the table";
            ASSERT_EQ(0, seen[serial]++) << "walk returned an entry twice";
            if (percent(random) < deletePercent) {
                const std::size_t index = keyOfSerial[serial];
                ASSERT_EQ(1, table.Del(&copies[index][0], static_cast<int>(copies[index].size())));
                model.erase(index);
            }
        }
        EXPECT_EQ(keyOfSerial.size(), seen.size()) << "walk missed entries";
    };
    std::uniform_int_distribution<std::size_t> keyPick(0, kKeyCount - 1);
    std::uniform_int_distribution<int> operationPick(0, 999);
    std::uint32_t nextSerial = 1;
    int largestCount = 0;
    for (int step = 0; step < 30000; ++step) {
        const std::size_t index = keyPick(random);
        char* key = &keys[index][0];
        char* copy = &copies[index][0];
        const int length = static_cast<int>(keys[index].size());
        const int operation = operationPick(random);
        // Adds outweigh deletes early on so the table grows, and then balance out.
        if (operation < (step < 3000 ? 700 : 450)) {
            void* before = stored(index);
            const std::uint32_t serial = nextSerial++;
            ASSERT_EQ(before == nullptr ? 1 : 0, table.Add(key, length, valueFor(serial))) << "step " << step;
            if (before == nullptr) model[index] = serial;
            ASSERT_EQ(stored(index), table.Get(copy, length)) << "step " << step;
        } else if (operation < 800) {
            ASSERT_EQ(stored(index), table.Get(copy, length)) << "step " << step;
        } else if (operation < 995) {
            ASSERT_EQ(model.erase(index) == 1 ? 1 : 0, table.Del(copy, length)) << "step " << step;
            ASSERT_EQ(nullptr, table.Get(key, length)) << "step " << step;
        } else {
            walkAndCheck(operation % 2 == 0 ? 0 : 30);
            if (HasFatalFailure()) return;
        }
        ASSERT_EQ(static_cast<int>(model.size()), table.Count()) << "step " << step;
        largestCount = std::max(largestCount, table.Count());
    }
    EXPECT_GT(largestCount, 300) << "the run should grow the table several times";
    walkAndCheck(100);
    EXPECT_EQ(0, table.Count());
}

}  // namespace
