// The INI engine where Windows and Wine part ways (the engine follows Windows),
// and the file's exact layout after each kind of write.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "config/profile_engine.h"
#include "config/profile_text.h"
#include "support/test_support.h"

namespace {

using namespace util::config;

std::string value(const std::string& text, const char* section, const char* key, unsigned long size = 256) {
    char buffer[256];
    const unsigned long length = profileGetString(&text, section, key, "dflt", buffer, size);
    return std::string(buffer, length);
}

std::string edited(std::string text, const char* section, const char* key, const char* value,
                   ProfileEdit expected = ProfileEdit::kChanged) {
    EXPECT_EQ(profileWriteString(text, section, key, value), expected);
    return text;
}

// Comments are never keys; one pair of quotes is removed before the value is
// cut to fit; names ignore the case of ASCII letters only.
TEST(ProfileEngine, Reads) {
    const std::string text = "[s]\n;k=hidden\n ; spaced=hidden\nk=shown\nq=\"abcdef\"\n[Caf\xC3\xA9]\nKey=1\n";
    EXPECT_EQ(value(text, "s", ";k"), "dflt");
    EXPECT_EQ(value(text, "s", "; spaced"), "dflt");
    EXPECT_EQ(value(text, "s", "k"), "shown");
    EXPECT_EQ(value(text, "s", "q", 7), "abcdef");  // six characters and the NUL
    EXPECT_EQ(value(text, "s", "q", 6), "abcde");
    EXPECT_EQ(value(text, "CAF\xC3\xA9", "key"), "1");
    EXPECT_EQ(value(text, "CAF\xC3\x89", "key"), "dflt");
}

// A cut list ends with two NULs within the buffer (the corpus checks the cuts
// that Windows records); a buffer of one byte holds the one NUL, none is untouched.
TEST(ProfileEngine, CutLists) {
    const std::string text = "[alpha]\n[beta]\nk=1\nkey2=2\n";
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 9), 7u);
    EXPECT_EQ(std::string(buffer, 10), std::string("alpha\0b\0\0#", 10));
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(profileGetSection(&text, "beta", buffer, 8), 6u);
    EXPECT_EQ(std::string(buffer, 9), std::string("k=1\0ke\0\0#", 9));
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
    buffer[0] = '#';
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '#');
}

TEST(ProfileEngine, SettingKeepsEveryOtherLine) {
    const std::string text =
        "; head\r\n[General]\r\n  Name = Alice  \r\n; note\r\n\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n";
    EXPECT_EQ(edited(text, "general", "NAME", "Bob"),
              "; head\r\n[General]\r\nName=Bob\r\n; note\r\n\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(
        edited(text, "General", "City", "Paris"),
        "; head\r\n[General]\r\n  Name = Alice  \r\n; note\r\n\r\nAge=30\r\nCity=Paris\r\n\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(edited(text, "New", "k", "v"), text + "[New]\r\nk=v\r\n");
    EXPECT_EQ(edited(text, "General", "Age", "30", ProfileEdit::kUnchanged), text);
    // Sections without keys, files without line ends, a key line without '='.
    EXPECT_EQ(edited("[e]\n; only a comment\n[f]\n", "e", "k", "v"), "[e]\nk=v\n; only a comment\n[f]\n");
    EXPECT_EQ(edited("[s]", "s", "k", "v"), "[s]\nk=v");
    EXPECT_EQ(edited("x=1", "s", "k", "v"), "x=1\n[s]\nk=v\n");
    EXPECT_EQ(edited("[s]\nbare\n", "s", "bare", "now"), "[s]\nbare=now\n");
}

TEST(ProfileEngine, DeletingAndRefusing) {
    const std::string text = "[a]\nk=1\nj=2\n[b]\n; b's note\nx=1\n\n[c]\ny=2\n";
    EXPECT_EQ(edited(text, "A", "K", nullptr), "[a]\nj=2\n[b]\n; b's note\nx=1\n\n[c]\ny=2\n");
    EXPECT_EQ(edited(text, "b", nullptr, "ignored"), "[a]\nk=1\nj=2\n[c]\ny=2\n");
    EXPECT_EQ(edited(text, "c", nullptr, nullptr), "[a]\nk=1\nj=2\n[b]\n; b's note\nx=1\n\n");
    EXPECT_EQ(edited(text, "absent", nullptr, nullptr, ProfileEdit::kUnchanged), text);
    // Only the first of two sections of one name goes.
    EXPECT_EQ(edited("[d]\na=1\n[d]\nb=2\n", "d", nullptr, nullptr), "[d]\nb=2\n");
    // Writes that would add lines are refused.
    for (const char* value : {"a\nb=c", "a\rb"}) edited(text, "a", "k", value, ProfileEdit::kRefused);
    edited(text, "s]\n[t", "k", "v", ProfileEdit::kRefused);
    edited(text, nullptr, "k", "v", ProfileEdit::kRefused);
}

// Bytes with lone surrogates and NULs convert to text and back unchanged, text
// that is not UTF-8 has no UTF-16 form, and the file reader keeps at most
// kLongestLine bytes of a line. (The profile fuzz target checks round trips and
// the file reader's lines against the in-memory reader's on arbitrary input.)
TEST(ProfileText, EncodingsAndLongLines) {
    const std::string bytes(
        "\xFF\xFE"
        "A\0\x00\xD8"
        "B\0\x00\xDC\x3D\xD8\x00\xDE",
        14);
    std::string text, back;
    std::size_t mark;
    ASSERT_TRUE(decodeProfileText(bytes, text));
    EXPECT_TRUE(encodeProfileText(text, encodingOf(bytes, &mark), back));
    EXPECT_EQ(back, bytes);
    EXPECT_FALSE(decodeProfileText(std::string("\xFF\xFE"
                                               "A\0B",
                                               5),
                                   text));  // odd length
    for (const char* bad : {"\xE9", "\xC0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_FALSE(encodeProfileText(bad, ProfileEncoding::kUtf16Little, back)) << testing::PrintToString(bad);
    }
    util_test::TempDir dir;
    util_test::writeFile(dir.file("long.ini"), "k=" + std::string(kLongestLine + 10, 'v') + "\nn=1\n");
    std::FILE* file = std::fopen(dir.file("long.ini").c_str(), "rb");
    StreamLines lines(file);
    std::vector<std::string> got;
    for (std::string_view line; lines.next(line);) got.emplace_back(line);
    std::fclose(file);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].size(), kLongestLine);
    EXPECT_EQ(got[1], "n=1");
}

}  // namespace
