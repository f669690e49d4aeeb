// The configuration store through the shared library: the loader's line rules,
// duplicates, the two-call length protocol, the dump, and the "APP_HOME" fallback.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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
    EXPECT_NE(out, nullptr);
    EXPECT_EQ(DumpConfig(store, out), 1);
    std::fclose(out);
    return util_test::readFile(path);
}

void* load(const TempDir& dir, const std::string& text, const char* name = "test.conf") {
    util_test::writeFile(dir.file(name), text);
    return OpenConfig(dir.file(name).c_str());
}

// Each file loads to a store whose dump is exact (a dump shows every name, key
// and value), and the dump reads back to the same store.
TEST(ConfigStore, LoaderLineRules) {
    const std::string v4091(4091, 'v'), w903(903, 'w');
    const struct {
        const char* why;
        std::string text, dump;
    } cases[] = {
        {"line rules",
         "before=header\n# comment\n   # indented comment\n\n[main]\na=1\nb = 2\nc\t=\t3  \r\n  indented = yes\n"
         "two words\nbad key = x\n=empty key\ne=\n;semi = colon\nv = x = y # kept [as] value\nbare\n"
         "[broken\nlost=1\n[ spaced ]\ns=1\n[two words]\nt=1",
         "[main]\na = 1\nb = 2\nc = 3\nindented = yes\n = empty key\ne = \n;semi = colon\n"
         "v = x = y # kept [as] value\n[spaced]\ns = 1\n[two]\nt = 1\n"},
        {"CR LF", "[s]\r\nk=v\r\nspaced = a b \r\nempty=\r\n", "[s]\nk = v\nspaced = a b\nempty = \n"},
        {"headers without a name drop their keys", "[]\nk=1\n[  ]\nk=2\n[]\r\nk=3\n[ok]\nk=4\n[]x\nq=5\n",
         "[ok]\nk = 4\n[x]\nq = 5\n"},
        // 5000 characters: the first read takes 4094 of them, the rest is a line of its own.
        {"long line in pieces", "[s]\nk1=" + v4091 + "k2=" + w903 + "\n", "[s]\nk1 = " + v4091 + "\nk2 = " + w903 + "\n"},
        {"duplicates", "[net]\nhost = vpn.example\nport=443\n[net]\nx=1\n[ui]\ntitle = A = B\nempty=\n",
         "[net]\nhost = vpn.example\nport = 443\n[net]\nx = 1\n[ui]\ntitle = A = B\nempty = \n"},
        {"empty file", "", ""},
        {"comments only", "# one\n#two\n\n   \n", ""},
    };
    TempDir dir;
    for (const auto& c : cases) {
        void* store = load(dir, c.text);
        ASSERT_NE(store, nullptr) << c.why;
        EXPECT_EQ(dump(store, dir), c.dump) << c.why;
        if (&c == &cases[0]) {
            EXPECT_EQ(get(store, "main", ""), "empty key");
            EXPECT_EQ(get(store, "main", "e"), "");
            EXPECT_EQ(get(store, "Main", "a"), kAbsent);  // case-sensitive
        }
        EXPECT_EQ(CloseConfig(store), 1);
        if (c.dump.size() < 4000) {  // no line of the dump is read in pieces
            store = load(dir, c.dump, "again.conf");
            EXPECT_EQ(dump(store, dir), c.dump) << c.why;
            CloseConfig(store);
        }
    }
}

// Look-ups take the first match; SetConfig replaces the first entry by a new
// one at the end of the first section, keeping the tail, and adds new sections last.
TEST(ConfigStore, DuplicatesAndReplacementOrder) {
    TempDir dir;
    void* store = load(dir, "[a]\nx=1\n[b]\nk=1\nk=2\n[a]\nz=3\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "a", "z"), "3");  // the first [a] lacks it: the second is searched
    EXPECT_EQ(get(store, "b", "k"), "1");
    EXPECT_EQ(SetConfig(store, "a", "z", "4"), 1);  // goes into the first [a]
    EXPECT_EQ(SetConfig(store, "b", "k", "3"), 1);  // replaces the first k only
    EXPECT_EQ(get(store, "b", "k"), "2");
    // Replacing the last entry: the tail must follow.
    for (const char* kv : {"m5", "m6", "n7"}) EXPECT_EQ(SetConfig(store, "b", std::string(kv, 1).c_str(), kv + 1), 1);
    EXPECT_EQ(SetConfig(store, "c", "n", "new"), 1);
    EXPECT_EQ(dump(store, dir), "[a]\nx = 1\nz = 4\n[b]\nk = 2\nk = 3\nm = 6\nn = 7\n[a]\nz = 3\n[c]\nn = new\n");
    EXPECT_EQ(get(store, "a", "z"), "4");
    CloseConfig(store);
}

// "result length buffer" after one GetConfig into a buffer of 7 '#' and a NUL.
std::string got(void* store, const char* section, const char* key, int length) {
    char buffer[8] = "#######";
    const int result = GetConfig(store, section, key, buffer, &length);
    return std::to_string(result) + " " + std::to_string(length) + " " + std::string(buffer, 7);
}

TEST(ConfigStore, LengthProtocolAndNullArguments) {
    void* store = CreateConfig();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(SetConfig(store, "s", "k", "hello"), 1);
    EXPECT_EQ(got(store, "s", "k", 4), "0 5 #######");  // one less than the value
    EXPECT_EQ(got(store, "s", "k", 5), std::string("1 5 hello\0#", 11));  // exactly: 6 bytes written
    EXPECT_EQ(got(store, "s", "k", -1), "0 5 #######");
    EXPECT_EQ(got(store, "s", "missing", 5), "0 0 #######");
    // Null arguments fail without effect.
    EXPECT_EQ(got(nullptr, "s", "k", 7), "0 7 #######");
    EXPECT_EQ(got(store, nullptr, "k", 7), "0 7 #######");
    EXPECT_EQ(got(store, "s", nullptr, 7), "0 7 #######");
    char buffer[8];
    int length = 7;
    EXPECT_EQ(GetConfig(store, "s", "k", nullptr, &length), 0);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(GetConfig(store, "s", "k", buffer, nullptr), 0);
    EXPECT_EQ(SetConfig(nullptr, "s", "k", "v"), 0);
    EXPECT_EQ(SetConfig(store, nullptr, "k", "v"), 0);
    EXPECT_EQ(SetConfig(store, "s", nullptr, "v"), 0);
    EXPECT_EQ(SetConfig(store, "s", "k", nullptr), 0);
    EXPECT_EQ(DumpConfig(nullptr, stdout), 0);
    EXPECT_EQ(DumpConfig(store, nullptr), 0);
    EXPECT_EQ(CloseConfig(nullptr), 0);
    EXPECT_EQ(OpenConfig(nullptr), nullptr);
    EXPECT_EQ(got(store, "s", "k", 7), std::string("1 5 hello\0#", 11));
    CloseConfig(store);
}

// SetConfig refuses what a dump would not read back as written, leaving the
// store as it was; what it accepts at the edges survives a dump and a reload.
TEST(ConfigStore, SetConfigKeepsTheDumpReadable) {
    TempDir dir;
    void* store = CreateConfig();
    ASSERT_EQ(SetConfig(store, "net", "msg", "hello"), 1);
    const std::string longValue(4094 - 3 - 1, 'v');
    const struct { const char *section, *key; std::string value; } refused[] = {
        {"net", "msg", "x\n[evil]\ninj = 1"}, {"net", "msg", "a\rb"}, {"net", "msg", " lead"},
        {"net", "msg", "trail\t"}, {"net", "a key", "v"}, {"net", "a=b", "v"}, {"net", "#k", "v"},
        {"net", "[k]", "v"}, {"net", "k\n", "v"}, {"", "k", "v"}, {"a b", "k", "v"}, {"a]b", "k", "v"},
        {"[a", "k", "v"}, {"s\r", "k", "v"}, {"net", "kk", longValue}};
    for (const auto& r : refused) {
        EXPECT_EQ(SetConfig(store, r.section, r.key, r.value.c_str()), 0) << r.section << "/" << r.key;
    }
    EXPECT_EQ(dump(store, dir), "[net]\nmsg = hello\n");
    const std::string edges[][3] = {{"a.b", "", "x = y # [z] "  "end"}, {"s", ";k", "a\vb"},
                                    {"s", "k[1]", ""}, {"s", "k", longValue}};
    for (const auto& e : edges) EXPECT_EQ(SetConfig(store, e[0].c_str(), e[1].c_str(), e[2].c_str()), 1) << e[1];
    const std::string written = dump(store, dir);
    void* again = load(dir, written);
    EXPECT_EQ(dump(again, dir), written);
    for (const auto& e : edges) EXPECT_EQ(get(again, e[0].c_str(), e[1].c_str()), e[2]) << e[1];
    CloseConfig(again);
    CloseConfig(store);
}

TEST(ConfigStore, AppHomeFallback) {
    TempDir dir;
    const std::size_t room = 255 - dir.path().size() - 1;  // the joined path may have 255 characters, not 256
    const std::string fits(room, 'f'), tooLong(room + 1, 'g');
    for (const std::string& name : {std::string("home.conf"), fits, tooLong}) {
        util_test::writeFile(dir.file(name), "[s]\nk=" + name.substr(0, 4) + "\n");
    }
    ASSERT_TRUE(util_test::fileExists(dir.file(tooLong)));
    auto opened = [](const std::string& name) {  // none of them is in the current directory
        void* store = OpenConfig(name.c_str());
        const std::string value = store ? get(store, "s", "k") : "<null>";
        CloseConfig(store);
        return value;
    };
    static std::string setting;
    setting = "APP_HOME=" + dir.path();
    putenv(&setting[0]);
    EXPECT_EQ(opened("home.conf"), "home");
    EXPECT_EQ(opened("no-such.conf"), "<null>");
    EXPECT_EQ(opened(fits), "ffff");
    EXPECT_EQ(opened(tooLong), "<null>");
    static char cleared[] = "APP_HOME=";  // unset on Windows, empty on POSIX
    putenv(cleared);
    EXPECT_EQ(opened("home.conf"), "<null>");
    // Empty counts as unset: the name is never taken from the root directory.
    const std::string fromRoot = dir.file("home.conf").substr(1);
    if (!util_test::isWindows()) {
        EXPECT_EQ(opened(fromRoot), "<null>");
    }
}

// Only regular files are stores: a directory of the file's name is passed over
// for the APP_HOME fallback.
TEST(ConfigStore, DirectoryOfTheNameIsNoStore) {
    TempDir work, home;
    util_test::writeFile(home.file("client.conf"), "[net]\nhost=vpn\n");
    std::filesystem::create_directory(work.file("client.conf"));
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(work.path());
    static std::string setting;
    setting = "APP_HOME=" + home.path();
    putenv(&setting[0]);
    void* store = OpenConfig("client.conf");
    std::filesystem::current_path(previous);
    EXPECT_EQ(store ? get(store, "net", "host") : "<null>", "vpn");
    CloseConfig(store);
    EXPECT_EQ(OpenConfig(work.file("client.conf").c_str()), nullptr);
    EXPECT_EQ(OpenConfig(util_test::isWindows() ? "NUL" : "/dev/null"), nullptr);  // a device
    static char cleared[] = "APP_HOME=";
    putenv(cleared);
}

}  // namespace
