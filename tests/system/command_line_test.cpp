// CommandLineToArgv's quote and space rules, its block layout and its limit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "system/process_launch.h"

namespace {

using Arguments = std::vector<std::string>;

// Splits line and checks the block: count in the out-parameter (when given) and
// behind the array, every argument inside the line's copy, a null after the last.
Arguments split(const char* line, bool withCount = true) {
    int count = -1;
    char** block = CommandLineToArgv(line, withCount ? &count : nullptr);
    EXPECT_NE(block, nullptr);
    if (block == nullptr) return {};
    const char* copy = reinterpret_cast<const char*>(block) + 32 * sizeof(char*) + sizeof(int);
    if (!withCount) count = *reinterpret_cast<int*>(block + 32);
    EXPECT_EQ(count, *reinterpret_cast<int*>(block + 32));
    const std::size_t lineLength = line != nullptr ? std::strlen(line) : 0;
    Arguments arguments;
    for (int index = 0; index < count; ++index) {
        EXPECT_TRUE(block[index] >= copy && block[index] <= copy + lineLength) << index;
        arguments.push_back(block[index]);
    }
    if (count < 32) {
        EXPECT_EQ(block[count], nullptr);
    }
    std::free(block);
    return arguments;
}

TEST(CommandLineToArgv, FollowsTheQuoteAndSpaceRules) {
    const struct {
        const char* line;
        Arguments expected;
    } cases[] = {
        {"", {}},
        {"   ", {""}},                   // a leading space: one empty argument
        {"one   two", {"one", "two"}},   // runs of spaces are one separator
        {"one two   ", {"one", "two"}},  // trailing spaces: no extra argument
        {" lead", {"", "lead"}},
        {"tab\there x", {"tab\there", "x"}},  // tabs are ordinary characters
        {"\"a b\" c", {"a b", "c"}},
        {"'a b' c", {"a b", "c"}},
        {"it's \"mid\"dle", {"it's", "mid", "dle"}},  // quote inside a word stays; closing quote splits
        {"\"x\"y", {"x", "y"}},
        {"\"\" z", {"", "z"}},                  // empty quoted argument
        {"'a \"b\" c' d", {"a \"b\" c", "d"}},  // the other quote is ordinary inside
        {"\"unterminated rest  of line", {"unterminated rest  of line"}},
        {"'open", {"open"}},
        {"back\\slash \"c:\\dir\\\" x", {"back\\slash", "c:\\dir\\", "x"}},  // no escape character
        {"a\"b c", {"a\"b", "c"}},
    };
    for (const auto& each : cases) EXPECT_EQ(split(each.line), each.expected) << "line: [" << each.line << "]";
    EXPECT_EQ(split(nullptr), Arguments{});
    EXPECT_EQ(split("a b", false), (Arguments{"a", "b"})) << "a null count pointer is allowed";
}

// 32 words fill the array exactly (no null after them); more are dropped.
TEST(CommandLineToArgv, KeepsTheFirst32Arguments) {
    std::string line;
    Arguments first32;
    for (int index = 0; index < 40; ++index) {
        if (index == 32) {
            EXPECT_EQ(split(line.c_str()), first32);
        }
        line += "w" + std::to_string(index) + " ";
        if (index < 32) first32.push_back("w" + std::to_string(index));
    }
    EXPECT_EQ(split(line.c_str()), first32);
}

}  // namespace
