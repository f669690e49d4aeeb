// The configuration store through the shared library: the loader's line rules,
// duplicates, the two-call length protocol, the dump, and the "APP_HOME" fallback.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

TEST(ConfigStore, LoaderLineRules) {
    TempDir dir;
    void* store = load(dir,
                       "before=header\n"
                       "# comment\n"
                       "   # indented comment\n"
                       "\n"
                       "[main]\n"
                       "a=1\n"
                       "b = 2\n"
                       "c\t=\t3  \r\n"
                       "  indented = yes\n"
                       "two words\n"
                       "bad key = x\n"
                       "=empty key\n"
                       "e=\n"
                       ";semi = colon\n"
                       "v = x = y # kept [as] value\n"
                       "bare\n"
                       "[broken\n"
                       "lost=1\n"
                       "[ spaced ]\n"
                       "s=1\n"
                       "[two words]\n"
                       "t=1");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(dump(store, dir),
              "[main]\n"
              "a = 1\n"
              "b = 2\n"
              "c = 3\n"
              "indented = yes\n"
              " = empty key\n"
              "e = \n"
              ";semi = colon\n"
              "v = x = y # kept [as] value\n"
              "[spaced]\n"
              "s = 1\n"
              "[two]\n"
              "t = 1\n");
    EXPECT_EQ(get(store, "main", "c"), "3");
    EXPECT_EQ(get(store, "main", ""), "empty key");
    EXPECT_EQ(get(store, "main", "e"), "");
    EXPECT_EQ(get(store, "main", "before"), kAbsent);
    EXPECT_EQ(get(store, "Main", "a"), kAbsent);  // case-sensitive
    EXPECT_EQ(CloseConfig(store), 1);
}

TEST(ConfigStore, CrLfFileGivesTheSameValues) {
    TempDir dir;
    void* store = load(dir, "[s]\r\nk=v\r\nspaced = a b \r\nempty=\r\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "s", "k"), "v");
    EXPECT_EQ(get(store, "s", "spaced"), "a b");
    EXPECT_EQ(get(store, "s", "empty"), "");
    EXPECT_EQ(dump(store, dir), "[s]\nk = v\nspaced = a b\nempty = \n");
    CloseConfig(store);
}

TEST(ConfigStore, LongLineIsReadInPieces) {
    TempDir dir;
    // 5000 characters: the first read takes 4094 of them, the rest is a line of its own.
    const std::string first = "k1=" + std::string(4091, 'v');
    const std::string second = "k2=" + std::string(903, 'w');
    void* store = load(dir, "[s]\n" + first + second + "\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "s", "k1"), std::string(4091, 'v'));
    EXPECT_EQ(get(store, "s", "k2"), std::string(903, 'w'));
    CloseConfig(store);
}

TEST(ConfigStore, HeadersWithoutANameDropTheirKeys) {
    TempDir dir;
    void* store = load(dir, "[]\nk=1\n[  ]\nk=2\n[]\r\nk=3\n[ok]\nk=4\n[]x\nq=5\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(dump(store, dir), "[ok]\nk = 4\n[x]\nq = 5\n");
    CloseConfig(store);
}

TEST(ConfigStore, EmptyAndCommentOnlyFilesGiveEmptyStores) {
    TempDir dir;
    for (const char* text : {"", "# one\n#two\n\n   \n"}) {
        void* store = load(dir, text);
        ASSERT_NE(store, nullptr);
        char buffer[8] = "keep";
        int length = 7;
        EXPECT_EQ(GetConfig(store, "s", "k", buffer, &length), 0);
        EXPECT_EQ(length, 0);
        EXPECT_STREQ(buffer, "keep");
        EXPECT_EQ(dump(store, dir), "");
        CloseConfig(store);
    }
}

TEST(ConfigStore, DuplicateSections) {
    TempDir dir;
    void* store = load(dir, "[a]\nx=1\n[b]\ny=2\n[a]\nz=3\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "a", "z"), "3");  // the first [a] lacks it: the second is searched
    EXPECT_EQ(SetConfig(store, "a", "z", "4"), 1);  // goes into the first [a]
    EXPECT_EQ(SetConfig(store, "c", "n", "new"), 1);
    EXPECT_EQ(dump(store, dir), "[a]\nx = 1\nz = 4\n[b]\ny = 2\n[a]\nz = 3\n[c]\nn = new\n");
    EXPECT_EQ(get(store, "a", "z"), "4");
    CloseConfig(store);
}

TEST(ConfigStore, DuplicateKeysOnlyTheFirstIsReplaced) {
    TempDir dir;
    void* store = load(dir, "[s]\nk=1\nk=2\n");
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "s", "k"), "1");
    EXPECT_EQ(SetConfig(store, "s", "k", "3"), 1);
    EXPECT_EQ(get(store, "s", "k"), "2");
    EXPECT_EQ(dump(store, dir), "[s]\nk = 2\nk = 3\n");
    CloseConfig(store);
}

TEST(ConfigStore, ReplacingMovesTheKeyToTheEndAndKeepsTheTail) {
    void* store = CreateConfig();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(SetConfig(store, "s", "a", "1"), 1);
    EXPECT_EQ(SetConfig(store, "s", "b", "2"), 1);
    EXPECT_EQ(SetConfig(store, "s", "c", "3"), 1);
    EXPECT_EQ(SetConfig(store, "s", "c", "9"), 1);  // the last: the tail must follow
    EXPECT_EQ(SetConfig(store, "s", "d", "4"), 1);
    EXPECT_EQ(SetConfig(store, "s", "a", "0"), 1);  // the first
    EXPECT_EQ(SetConfig(store, "s", "e", "5"), 1);
    TempDir dir;
    EXPECT_EQ(dump(store, dir), "[s]\nb = 2\nc = 9\nd = 4\na = 0\ne = 5\n");
    CloseConfig(store);
}

TEST(ConfigStore, LengthProtocolAtTheBoundary) {
    void* store = CreateConfig();
    ASSERT_NE(store, nullptr);
    SetConfig(store, "s", "k", "hello");
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    int length = 4;  // one less than the value
    EXPECT_EQ(GetConfig(store, "s", "k", buffer, &length), 0);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(buffer[0], '#');
    length = 5;  // exactly the value: 6 bytes written
    EXPECT_EQ(GetConfig(store, "s", "k", buffer, &length), 1);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(std::string(buffer, 7), std::string("hello\0#", 7));
    length = -1;
    EXPECT_EQ(GetConfig(store, "s", "k", buffer, &length), 0);
    EXPECT_EQ(length, 5);
    length = 5;
    EXPECT_EQ(GetConfig(store, "s", "missing", buffer, &length), 0);
    EXPECT_EQ(length, 0);
    CloseConfig(store);
}

TEST(ConfigStore, NullArgumentsFailWithoutEffect) {
    void* store = CreateConfig();
    ASSERT_NE(store, nullptr);
    SetConfig(store, "s", "k", "v");
    char buffer[8];
    int length = 7;
    EXPECT_EQ(GetConfig(nullptr, "s", "k", buffer, &length), 0);
    EXPECT_EQ(GetConfig(store, nullptr, "k", buffer, &length), 0);
    EXPECT_EQ(GetConfig(store, "s", nullptr, buffer, &length), 0);
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
    CloseConfig(store);
}

TEST(ConfigStore, DumpReadsBackToTheSameStore) {
    TempDir dir;
    void* store = load(dir, "[net]\nhost = vpn.example\nport=443\n[net]\nx=1\n[ui]\ntitle = A = B\nempty=\n");
    ASSERT_NE(store, nullptr);
    const std::string first = dump(store, dir);
    CloseConfig(store);
    void* again = load(dir, first, "again.conf");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(dump(again, dir), first);
    EXPECT_EQ(get(again, "ui", "title"), "A = B");
    CloseConfig(again);
}

TEST(ConfigStore, AppHomeFallback) {
    TempDir dir;
    util_test::writeFile(dir.file("home.conf"), "[s]\nk=home\n");
    static std::string setting;
    setting = "APP_HOME=" + dir.path();
    putenv(&setting[0]);
    void* store = OpenConfig("home.conf");  // not in the current directory
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "s", "k"), "home");
    CloseConfig(store);
    EXPECT_EQ(OpenConfig("no-such.conf"), nullptr);

    // The joined path may have 255 characters, not 256.
    const std::size_t room = 255 - dir.path().size() - 1;
    const std::string fits(room, 'f');
    const std::string tooLong(room + 1, 'g');
    util_test::writeFile(dir.file(fits), "[s]\nk=fits\n");
    util_test::writeFile(dir.file(tooLong), "[s]\nk=long\n");
    ASSERT_TRUE(util_test::fileExists(dir.file(tooLong)));
    store = OpenConfig(fits.c_str());
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(get(store, "s", "k"), "fits");
    CloseConfig(store);
    EXPECT_EQ(OpenConfig(tooLong.c_str()), nullptr);

    static char cleared[] = "APP_HOME=";  // unset on Windows, empty on POSIX
    putenv(cleared);
    EXPECT_EQ(OpenConfig("home.conf"), nullptr);
}

}  // namespace
