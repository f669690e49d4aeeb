// The INI engine where Windows and Wine part ways (the engine follows Windows),
// and the file's exact layout after each kind of write.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/profile_engine.h"

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

TEST(ProfileEngine, CutListsEndWithTwoNuls) {
    const std::string text = "[alpha]\n[beta]\nk=1\nkey2=2\n";
    char buffer[16];
    for (unsigned long size = 2; size <= 12; ++size) {
        std::memset(buffer, '#', sizeof buffer);
        const unsigned long length = profileGetSectionNames(&text, buffer, size);
        const bool cut = size < 13;  // "alpha\0beta\0" and the final NUL need 12 bytes plus a spare
        ASSERT_EQ(length, cut ? size - 2 : 11u) << size;
        EXPECT_EQ(buffer[size - 2], '\0') << size;
        EXPECT_EQ(buffer[size - 1], '\0') << size;
        EXPECT_EQ(buffer[size], '#') << size;
    }
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
    const std::string text = "; head\r\n[General]\r\n  Name = Alice  \r\n; note\r\n\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n";
    EXPECT_EQ(edited(text, "general", "NAME", "Bob"),
              "; head\r\n[General]\r\nName=Bob\r\n; note\r\n\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(edited(text, "General", "City", "Paris"),
              "; head\r\n[General]\r\n  Name = Alice  \r\n; note\r\n\r\nAge=30\r\nCity=Paris\r\n\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(edited(text, "New", "k", "v"), text + "[New]\r\nk=v\r\n");
    EXPECT_EQ(edited(text, "General", "Age", "30", ProfileEdit::kUnchanged), text);
    // Sections without keys, files without line ends, a key line without '='.
    EXPECT_EQ(edited("[e]\n; only a comment\n[f]\n", "e", "k", "v"), "[e]\nk=v\n; only a comment\n[f]\n");
    EXPECT_EQ(edited("[s]", "s", "k", "v"), "[s]\nk=v");
    EXPECT_EQ(edited("[s]\nk=v", "s", "n", "w"), "[s]\nk=v\nn=w");
    EXPECT_EQ(edited("x=1", "s", "k", "v"), "x=1\n[s]\nk=v\n");
    EXPECT_EQ(edited("", "s", "k", "v"), "[s]\nk=v\n");
    EXPECT_EQ(edited("[s]\nbare\n", "s", "bare", "now"), "[s]\nbare=now\n");
}

TEST(ProfileEngine, DeletingAndRefusing) {
    const std::string text = "[a]\nk=1\nj=2\n[b]\n; b's note\nx=1\n\n[c]\ny=2\n";
    EXPECT_EQ(edited(text, "A", "K", nullptr), "[a]\nj=2\n[b]\n; b's note\nx=1\n\n[c]\ny=2\n");
    EXPECT_EQ(edited(text, "b", nullptr, "ignored"), "[a]\nk=1\nj=2\n[c]\ny=2\n");
    EXPECT_EQ(edited(text, "c", nullptr, nullptr), "[a]\nk=1\nj=2\n[b]\n; b's note\nx=1\n\n");
    EXPECT_EQ(edited(text, "a", "absent", nullptr, ProfileEdit::kUnchanged), text);
    EXPECT_EQ(edited(text, "absent", nullptr, nullptr, ProfileEdit::kUnchanged), text);
    // Only the first of two sections of one name goes.
    EXPECT_EQ(edited("[d]\na=1\n[d]\nb=2\n", "d", nullptr, nullptr), "[d]\nb=2\n");
    // Writes that would add lines are refused.
    edited(text, "a", "k", "a\nb=c", ProfileEdit::kRefused);
    edited(text, "a", "k\r", "v", ProfileEdit::kRefused);
    edited(text, "s]\n[t", "k", "v", ProfileEdit::kRefused);
    edited(text, nullptr, "k", "v", ProfileEdit::kRefused);
}

}  // namespace
