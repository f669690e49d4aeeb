// CommandLineToArgv, Exec and StartInternetExplorer; this test binary is the child (system_test_main.cpp).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "log/debug_capture.h"
#include "support/test_support.h"
#include "system/process_launch.h"

namespace {

using Arguments = std::vector<std::string>;

// Splits line, checking the block: count (passed and behind the array), arguments in the copy, a null after.
Arguments split(const char* line, bool withCount = true) {
    int count = -1;
    char** block = CommandLineToArgv(line, withCount ? &count : nullptr);
    const int stored = *reinterpret_cast<int*>(block + 32);
    EXPECT_EQ(withCount ? count : stored, stored);
    const char* copy = reinterpret_cast<const char*>(block + 32) + sizeof(int);
    Arguments arguments;
    for (int index = 0; index < stored; ++index) {
        EXPECT_TRUE(block[index] >= copy && block[index] <= copy + std::string(line ? line : "").size()) << index;
        arguments.push_back(block[index]);
    }
    EXPECT_TRUE(stored == 32 || block[stored] == nullptr);
    std::free(block);
    return arguments;
}

TEST(CommandLineToArgv, FollowsTheQuoteAndSpaceRulesAndKeepsTheFirst32Arguments) {
    const struct {
        const char* line;
        Arguments expected;
    } cases[] = {
        {"", {}},
        {" lead", {"", "lead"}},           // a leading space: one empty argument
        {"one   two   ", {"one", "two"}},  // runs of spaces are one separator; none trail
        {"\"a b\" c", {"a b", "c"}},
        {"it's \"mid\"dle", {"it's", "mid", "dle"}},  // quote inside a word stays; closing quote splits
        {"\"\" z", {"", "z"}},                        // empty quoted argument
        {"'a \"b\" c' d", {"a \"b\" c", "d"}},        // the other quote is ordinary inside
        {"\"unterminated rest  of line", {"unterminated rest  of line"}},
        {"back\\slash \"c:\\dir\\\" x", {"back\\slash", "c:\\dir\\", "x"}},  // no escape character
    };
    for (const auto& each : cases) EXPECT_EQ(split(each.line), each.expected) << "line: [" << each.line << "]";
    EXPECT_EQ(split(nullptr), Arguments{});
    EXPECT_EQ(split("a b", false), (Arguments{"a", "b"})) << "a null count pointer is allowed";
    // 32 words fill the array exactly (no null after them); more are dropped.
    std::string line;
    Arguments words;
    for (int index = 0; index < 32; ++index) {
        words.push_back("w" + std::to_string(index));
        line += words.back() + " ";
    }
    EXPECT_EQ(split(line.c_str()), words);
    EXPECT_EQ(split((line + "w32 w33").c_str()), words);
}

// The child writes the number of `words` to path (relative to its directory) after delay ms.
std::string childCommand(const std::string& path, int delay, const std::string& words = "") {
    static const std::string self = std::filesystem::absolute(util_test::selfPath()).string();
    return "\"" + self + "\" --child \"" + path + "\" " + std::to_string(delay) + words;
}

// A missing program fails with ERROR_FILE_NOT_FOUND / ENOENT, both 2; a missing
// directory with whatever the system reports; a missing document with at most 32.
TEST(ProcessLaunch, FailuresWriteOneLineEach) {
    util_test::TempDir directory;
    util_test::DebugCapture capture;
    EXPECT_EQ(Exec("no_such_program_4711 --flag", nullptr, 0, 1), 0);
    const std::string command = childCommand("x.txt", 0);
    EXPECT_EQ(Exec(command.c_str(), directory.file("missing").c_str(), 0, 1), 0);
    const std::string missing = directory.file("no_such_document.xyz");
    EXPECT_EQ(StartInternetExplorer(missing.c_str()), 0);
    const std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "CreateProcess(no_such_program_4711 --flag) fail, error 2");
    EXPECT_EQ(lines[1].rfind("CreateProcess(" + command + ") fail, error ", 0), 0u) << lines[1];
    const std::string prefix = "StartInternetExplorer: pUrl " + missing + ", return ";
    ASSERT_EQ(lines[2].rfind(prefix, 0), 0u) << lines[2];
    EXPECT_LE(std::stoi(lines[2].substr(prefix.size())), 32);
    EXPECT_EQ(lines[2].back(), '\n');
}

// With wait the file is there when Exec returns, every argument (not only 32) counted;
// without, Exec returns at once and the child starts in the current directory.
TEST(Exec, StartsTheChildInTheGivenOrCurrentDirectory) {
    util_test::TempDir directory, current;
    util_test::DebugCapture capture;
    std::string words;
    for (int n = 1; n <= 40; ++n) words += " a" + std::to_string(n);
    EXPECT_EQ(Exec(childCommand("waited.txt", 300, words).c_str(), directory.path().c_str(), 0, 1), 1);
    EXPECT_EQ(util_test::readFile(directory.file("waited.txt")), "40");
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(current.path());
    EXPECT_EQ(Exec(childCommand("later.txt", 0).c_str(), nullptr, 1, 0), 1);
    std::filesystem::current_path(saved);
    EXPECT_TRUE(util_test::eventually([&] { return util_test::readFile(current.file("later.txt")) == "0"; }));
    EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
