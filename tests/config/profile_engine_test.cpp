// The INI engine: a corpus of files, calls and results recorded from the Windows
// profile functions under Wine (the POSIX binary runs it through the engine); then
// what the corpus cannot see: bytes past a list, the layout after a write, UTF-16.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/config_platform.h"
#include "config/profile_engine.h"
#include "config/profile_text.h"
#include "support/test_support.h"

namespace {

using namespace util::config;

// One call; a read's result is its return value, a space, and the bytes it
// stored up to and including the NUL after that length (what both platforms
// define), NUL shown as '|'. A write without a result must return nonzero.
struct Step {
    enum Kind { kValue, kKeys, kNamesByString, kNames, kSection, kWrite } kind;
    const char *section, *key, *text;  // text: the default of a read, the value of a write
    unsigned long size;
    const char* result;
};
struct Case {
    std::string name, file;  // no name: the file is missing
    std::vector<Step> steps;
};

constexpr unsigned long kBig = 1024;
// A read of `section`/`key` with a default and a buffer size; a key list; the section
// names (also as the value of a null section); a section's lines; a write.
Step value(const char* s, const char* k, const char* result, const char* d = "", unsigned long n = kBig) {
    return {Step::kValue, s, k, d, n, result};
}
Step keys(const char* s, const char* result, const char* d = "") { return {Step::kKeys, s, nullptr, d, kBig, result}; }
Step names(const char* result, unsigned long n = kBig) { return {Step::kNames, nullptr, nullptr, nullptr, n, result}; }
Step namesByString(const char* result) { return {Step::kNamesByString, nullptr, nullptr, "", kBig, result}; }
Step section(const char* s, const char* result, unsigned long n = kBig) { return {Step::kSection, s, 0, 0, n, result}; }
Step write(const char* s, const char* k, const char* text) { return {Step::kWrite, s, k, text, 0, nullptr}; }

// ASCII text as little-endian UTF-16 with its byte-order mark.
std::string utf16(const std::string& text) {
    std::string bytes = "\xFF\xFE";
    for (char c : text) bytes += std::string{c, '\0'};
    return bytes;
}

std::string run(const Step& step, const std::string& path) {
    if (step.kind == Step::kWrite)
        return profileWrite(step.section, step.key, step.text, path.c_str()) ? "nonzero" : "0";
    std::string buffer(step.size + 1, '#');
    const unsigned long result =
        step.kind == Step::kNames ? profileSectionNames(&buffer[0], step.size, path.c_str())
        : step.kind == Step::kSection
            ? profileSection(step.section, &buffer[0], step.size, path.c_str())
            : profileString(step.section, step.key, step.text, &buffer[0], step.size, path.c_str());
    if (buffer[step.size] != '#') return "wrote past the buffer";
    buffer.resize(std::min<std::size_t>(result + 1, step.size));
    for (char& c : buffer) c = c == '\0' ? '|' : c;
    return std::to_string(result) + " " + buffer;
}

TEST(IniCorpus, MatchesTheRecordedResults) {
    const Case cases[] = {
        {"quotes",
         "[q]\nd=\"double\"\ns='single'\nm=\"mixed'\no=\"\n",
         {value("q", "s", "6 single|"), value("q", "m", "7 \"mixed'|"), value("q", "o", "1 \"|"),
          value("q", "missing", "2 dq|", "\"dq\""), value("q", "d", "3 dou|", "", 4)}},
        {"duplicates and comments",
         "; top\n[dup]\nk=first\n;k=hidden\nk=second\nj=1 ; kept\n#h=1\n[DUP]\nonly=2\n",
         {value("dup", "k", "5 first|"), value("dup", "j", "8 1 ; kept|"), value(" Dup ", " ONLY ", "4 dflt|", "dflt"),
          keys("dup", "9 k|k|j|#h||"), namesByString("8 dup|DUP||")}},
        {"odd lines",
         "pre=1\n[n]\nbare line\n[broken\nafter=1\n[a]b]\nk=a=b\n[x] junk\n\r[cr]\rc=3\n[e]\n  =no key\n",
         {section("n", "26 bare line|[broken|after=1||"), value("a]b", "k", "3 a=b|"), value("cr", "c", "1 3|"),
          names("13 n|a]b|x|cr|e||"), keys("e", "4 dflt|", "dflt")}},
        {"small buffers",
         "[s]\nkey=abcdef\nk2=xy\n[t]\n[u]\n",
         {value("s", "key", "1 a|", "", 2), value("s", "missing", "4 long|", "long default", 5), names("2 s||", 4),
          section("s", "14 key=abcdef|k2=|", 16)}},
        {"",
         "",
         {value("s", "k", "4 dflt|", "dflt   "), keys("s", "8 fallback|", "fallback"), names("0 |"),
          write("s", "k", "v"), section("s", "4 k=v||")}},
        {"writes",
         "[General]\r\nName=Alice\r\n; keep me\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n",
         {write("general", "NAME", "Carol"), write("General", "City", "Paris"), write("New", "k", "v"),
          write("General", "Age", nullptr), write("Other", nullptr, nullptr), write("General", "padded", "  \"q\""),
          write("General", "empty", ""), section("General", "40 Name=Carol|City=Paris|padded=\"q\"|empty=||"),
          names("12 General|New||")}},
        {"no final line end, duplicates",
         "[d]\na=1\n[d]\nb=2",
         {write("d", "b", "3"), write("D", "a", nullptr), write("d", "n", "new"), keys("d", "4 b|n||"),
          names("4 d|d||")}},
        {"section of the empty name",
         "pre=1\r\n; note\r\nbare\r\n[s]\r\nk=1\r\n[]\r\nlater=2\r\n",
         {value("  ", "pre", "1 1|"), value("", "later", "4 dflt|", "dflt"), names("2 s||"), write("", "new", "3"),
          write("", "pre", nullptr), section("", "11 bare|new=3||")}},
        {"deleting the section of the empty name",
         "; c\r\npre=1\r\n[s]\r\nk=1\r\n",
         {write("", nullptr, nullptr), section("", "0 |"), write("", "k", "2"), value("", "k", "1 2|")}},
        {"utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", {write("s", "n", "w"), section("s", "8 k=v|n=w||")}},
        {"utf-16 little-endian (big-endian: the POSIX file test)",
         utf16("[s]\r\nk=v\r\n[t]\r\nx=1\r\n"),
         {write("s", "n", "w"), write("new", "a", "b"), section("s", "8 k=v|n=w||"), names("8 s|t|new||")}}};
    util_test::TempDir dir;
    int index = 0;
    for (const Case& item : cases) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (!item.name.empty()) util_test::writeFile(path, item.file);
        for (std::size_t step = 0; step < item.steps.size(); ++step) {
            const char* result = item.steps[step].result;
            EXPECT_EQ(run(item.steps[step], path), result ? result : "nonzero") << item.name << ", step " << step + 1;
        }
    }
}

std::string edited(std::string text, const char* section, const char* key, const char* value,
                   ProfileEdit expected = ProfileEdit::kChanged) {
    EXPECT_EQ(profileWriteString(text, section, key, value), expected);
    return text;
}

// A buffer of one byte holds one NUL, one of none is left untouched.
TEST(ProfileEngine, TinyBuffers) {
    const std::string text = "[alpha]\n[beta]\nk=1\n";
    char buffer[1] = {'#'};
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 1), 0u);
    EXPECT_EQ(buffer[0], '\0');
    buffer[0] = '#';
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 0), 0u);
    EXPECT_EQ(profileGetSection(&text, "beta", buffer, 0), 0u);
    EXPECT_EQ(buffer[0], '#');
}

// The lines around a write stay as they were; new lines take the file's line end.
TEST(ProfileEngine, WritesKeepEveryOtherLine) {
    const std::string text = "; h\r\n[G]\r\n  N = A  \r\n; n\r\n\r\nAge=3\r\n\r\n[b]\r\nx=1\r\n";
    EXPECT_EQ(edited(text, "G", "C", "P"), "; h\r\n[G]\r\n  N = A  \r\n; n\r\n\r\nAge=3\r\nC=P\r\n\r\n[b]\r\nx=1\r\n");
    EXPECT_EQ(edited(text, "G", "Age", "3", ProfileEdit::kUnchanged), text);
    EXPECT_EQ(edited("x=1", "s", "k", "v"), "x=1\n[s]\nk=v\n");
    EXPECT_EQ(edited("[s]\nbare\n", "s", "bare", "now"), "[s]\nbare=now\n");
    EXPECT_EQ(edited("[d]\na=1\n[d]\nb=2\n", "d", nullptr, "ignored"), "[d]\nb=2\n");  // the first of the two
    // Writes that would add lines are refused.
    for (const char* value : {"a\nb=c", "a\rb"}) edited(text, "b", "k", value, ProfileEdit::kRefused);
    for (const char* section : {"s]\n[t", static_cast<const char*>(nullptr)})
        edited(text, section, "k", "v", ProfileEdit::kRefused);
}

// Bytes with lone surrogates and NULs convert to text and back unchanged, and the
// file reader keeps at most kLongestLine bytes of a line. (The profile fuzz target
// checks round trips and the file reader's lines on arbitrary input.)
TEST(ProfileText, EncodingsAndLongLines) {
    const std::string bytes("\xFF\xFE\x41\0\x00\xD8\x42\0\x00\xDC\x3D\xD8\x00\xDE", 14);
    std::string text, back;
    std::size_t mark;
    ASSERT_TRUE(decodeProfileText(bytes, text));
    EXPECT_TRUE(encodeProfileText(text, encodingOf(bytes, &mark), back));
    EXPECT_EQ(back, bytes);
    util_test::TempDir dir;
    util_test::writeFile(dir.file("long.ini"), "k=" + std::string(kLongestLine + 10, 'v') + "\nn=1\n");
    std::FILE* file = std::fopen(dir.file("long.ini").c_str(), "rb");
    StreamLines lines(file);
    std::vector<std::string> got;
    for (std::string_view line; lines.next(line);) got.emplace_back(line);
    std::fclose(file);
    EXPECT_EQ(got, (std::vector<std::string>{"k=" + std::string(kLongestLine - 2, 'v'), "n=1"}));
}

}  // namespace
