// The configuration store: the loader's line rules, duplicates, the two-call
// length protocol, the dump, the "APP_HOME" fallback, and running out of memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/config_records.h"
#include "config/config_store.h"
#include "support/test_support.h"

namespace {

using util_test::TempDir;

const char kAbsent[] = "<absent>";

std::string get(void* store, const char* section, const char* key) {
    char buffer[8192];
    int length = sizeof buffer - 1;
    return GetConfig(store, section, key, buffer, &length) == 1 ? std::string(buffer, length) : kAbsent;
}

std::string dump(void* store, const TempDir& dir) {
    const std::string path = dir.file("dump.txt");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    EXPECT_EQ(DumpConfig(store, out), 1);
    std::fclose(out);
    return util_test::readFile(path);
}

void* load(const TempDir& dir, const std::string& text) {
    util_test::writeFile(dir.file("test.conf"), text);
    return OpenConfig(dir.file("test.conf").c_str());
}

// Each file loads to a store whose dump is exact (a dump shows every name, key
// and value; the loader fuzz target checks that a dump reads back to itself).
TEST(ConfigStore, LoaderLineRules) {
    TempDir dir;
    void* store =
        load(dir,
             "before=header\n# comment\n   # indented comment\n\n[main]\na=1\nb = 2\nc\t=\t3  \r\n  indented = yes\n"
             "two words\nbad key = x\n=empty key\ne=\n;semi = colon\nv = x = y # kept [as] value\nbare\n[broken\n"
             "lost=1\n[ spaced ]\ns=1\n[two words]\nt=1\n[]\nk=1\n[  ]\nk=2\n[]\r\nk=3\n[]x\nq=5\n[main]\na=2");
    EXPECT_EQ(dump(store, dir),
              "[main]\na = 1\nb = 2\nc = 3\nindented = yes\n = empty key\ne = \n;semi = colon\n"
              "v = x = y # kept [as] value\n[spaced]\ns = 1\n[two]\nt = 1\n[x]\nq = 5\n[main]\na = 2\n");
    EXPECT_EQ(get(store, "main", "a"), "1");      // the first match
    EXPECT_EQ(get(store, "Main", "a"), kAbsent);  // case-sensitive
    EXPECT_EQ(CloseConfig(store), 1);
    // 5000 characters: the first read takes 4094 of them, the rest is a line of its own.
    const std::string v4091(4091, 'v'), w903(903, 'w');
    store = load(dir, "# only a comment\n[s]\nk1=" + v4091 + "k2=" + w903 + "\n");
    EXPECT_EQ(dump(store, dir), "[s]\nk1 = " + v4091 + "\nk2 = " + w903 + "\n");
    CloseConfig(store);
}

// "result length buffer" after one GetConfig into a buffer of 7 '#' and a NUL.
std::string got(void* store, const char* section, const char* key, int length) {
    char buffer[8] = "#######";
    const int result = GetConfig(store, section, key, buffer, &length);
    return std::to_string(result) + " " + std::to_string(length) + " " + std::string(buffer, 7);
}

// Look-ups take the first match; SetConfig replaces the first entry by a new one
// at the end of the first section, keeping the tail, and adds new sections last.
// GetConfig reports the length a value needs; null arguments fail without effect.
TEST(ConfigStore, ReplacementOrderLengthsAndNullArguments) {
    TempDir dir;
    void* store = load(dir, "[a]\nx=1\n[b]\nk=1\nk=2\n[a]\nz=3\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "a", "z"), "3");           // the first [a] lacks it: the second is searched
    EXPECT_EQ(SetConfig(store, "a", "z", "4"), 1);  // goes into the first [a]
    EXPECT_EQ(SetConfig(store, "b", "k", "3"), 1);  // replaces the first k only
    // Replacing the last entry: the tail must follow.
    for (const char* kv : {"m5", "m6", "n7"}) EXPECT_EQ(SetConfig(store, "b", std::string(kv, 1).c_str(), kv + 1), 1);
    EXPECT_EQ(SetConfig(store, "c", "n", "hello"), 1);
    EXPECT_EQ(dump(store, dir), "[a]\nx = 1\nz = 4\n[b]\nk = 2\nk = 3\nm = 6\nn = 7\n[a]\nz = 3\n[c]\nn = hello\n");
    EXPECT_EQ(get(store, "a", "z"), "4");
    EXPECT_EQ(got(store, "c", "n", 4), "0 5 #######");                    // one less than the value
    EXPECT_EQ(got(store, "c", "n", 5), std::string("1 5 hello\0#", 11));  // exactly: 6 bytes written
    EXPECT_EQ(got(store, "c", "missing", 5), "0 0 #######");
    EXPECT_EQ(got(store, "c", nullptr, 7), "0 7 #######");
    int length = 7;
    EXPECT_EQ(GetConfig(store, "c", "n", nullptr, &length), 0);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(SetConfig(store, "c", "n", nullptr), 0);
    EXPECT_EQ(DumpConfig(store, nullptr), 0);
    EXPECT_EQ(CloseConfig(nullptr), 0);
    CloseConfig(store);
}

// SetConfig refuses what a dump would not read back as written, leaving the
// store as it was; what it accepts at the edges reads back from a dump.
TEST(ConfigStore, SetConfigKeepsTheDumpReadable) {
    TempDir dir;
    void* store = CreateConfig();
    ASSERT_EQ(SetConfig(store, "net", "msg", "hello"), 1);
    const std::string longValue(4094 - 3 - 1, 'v');
    for (const char* value : {"x\n[evil]\ninj = 1", " lead", "trail\t", longValue.c_str()}) {
        EXPECT_EQ(SetConfig(store, "net", "kk", value), 0) << value;
    }
    for (const char* key : {"a key", "a=b", "#k", "[k]"}) EXPECT_EQ(SetConfig(store, "net", key, "v"), 0) << key;
    for (const char* section : {"", "a b", "a]b", "[a"}) EXPECT_EQ(SetConfig(store, section, "k", "v"), 0) << section;
    EXPECT_EQ(dump(store, dir), "[net]\nmsg = hello\n");
    EXPECT_EQ(SetConfig(store, "a.b", ";k", "x = y # [z]\vend"), 1);
    EXPECT_EQ(SetConfig(store, "a.b", "k", longValue.c_str()), 1);
    void* again = load(dir, dump(store, dir));
    EXPECT_EQ(dump(again, dir), dump(store, dir));
    CloseConfig(again);
    CloseConfig(store);
}

// The "APP_HOME" fallback: a joined path of 255 characters is opened, one of
// 256 is refused; an empty APP_HOME is unset (never a name from the root); only
// regular files are stores (a directory of the name is passed over, a device refused).
TEST(ConfigStore, AppHomeFallbackAndRegularFiles) {
    TempDir dir, work;
    const std::size_t room = 255 - dir.path().size() - 1;
    const std::string fits(room, 'f'), tooLong(room + 1, 'g');
    for (auto& name : {std::string("home.conf"), fits, tooLong}) util_test::writeFile(dir.file(name), "[s]\nk=" + name);
    std::filesystem::create_directory(work.file("home.conf"));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    auto opened = [](const std::string& name) {  // none of them is a file in the current directory
        void* store = OpenConfig(name.c_str());
        const std::string value = store ? get(store, "s", "k") : "<null>";
        CloseConfig(store);
        return value;
    };
    static std::string setting;  // putenv: the library's C runtime reads it on Windows too
    setting = "APP_HOME=" + dir.path();
    putenv(&setting[0]);
    EXPECT_EQ(opened("home.conf"), "home.conf");
    EXPECT_EQ(opened(fits), fits);
    EXPECT_EQ(opened(tooLong), "<null>");
    static char cleared[] = "APP_HOME=";  // unset on Windows, empty on POSIX
    putenv(cleared);
    EXPECT_EQ(opened("home.conf"), "<null>");
    EXPECT_EQ(opened(dir.file("home.conf").substr(1)), "<null>");  // never a name from the root
    std::filesystem::current_path(previous);
    EXPECT_EQ(OpenConfig(util_test::isWindows() ? "NUL" : "/dev/null"), nullptr);
}

// Memory that runs out: nothing stored may be lost.
int allocationsLeft = -1;  // -1: never fail

void* failingAllocator(std::size_t count, std::size_t size) {
    if (allocationsLeft == 0) return nullptr;
    if (allocationsLeft > 0) --allocationsLeft;
    return std::calloc(count, size);
}

TEST(ConfigStoreMemory, FailedSetOrLoadLosesNothingStored) {
    TempDir dir;
    const util::config::ZeroAllocator previous = util::config::setConfigAllocator(failingAllocator);
    void* store = CreateConfig();
    EXPECT_EQ(SetConfig(store, "s", "k", "old"), 1);
    allocationsLeft = 0;
    EXPECT_EQ(SetConfig(store, "s", "k", "new"), 0);
    allocationsLeft = 1;  // the entry succeeds, the new section does not
    EXPECT_EQ(SetConfig(store, "other", "k", "v"), 0);
    allocationsLeft = -1;
    EXPECT_EQ(dump(store, dir), "[s]\nk = old\n");
    CloseConfig(store);
    util_test::writeFile(dir.file("c.conf"), "[a]\nx=1\n[b]\nz=3\n");
    allocationsLeft = 0;  // not even the store
    EXPECT_EQ(OpenConfig(dir.file("c.conf").c_str()), nullptr);
    allocationsLeft = 2;  // the store and [a]; entry x and section [b] fail
    store = OpenConfig(dir.file("c.conf").c_str());
    allocationsLeft = -1;
    util::config::setConfigAllocator(previous);
    EXPECT_EQ(dump(store, dir), "[a]\n");  // [b]'s entry is dropped with its section
    EXPECT_EQ(SetConfig(store, "a", "x", "9"), 1);
    CloseConfig(store);
}

}  // namespace
