// The configuration store; the INI engine through a corpus of results recorded from the
// Windows profile functions under Wine, then where that corpus cannot see.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "config/config_platform.h"
#include "config/config_records.h"
#include "config/config_store.h"
#include "config/profile_engine.h"
#include "config/profile_text.h"
#include "support/test_support.h"

namespace {

using namespace util::config;
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

// Each file loads to a store whose dump is exact (the loader fuzz target checks that dumps read back).
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

// Look-ups take the first match; SetConfig replaces the first entry at the end of the first section,
// keeping the tail, and adds sections last; GetConfig reports the length a value needs.
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

// SetConfig refuses what a dump would not read back as written, leaving the store as it was.
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

// APP_HOME/name is tried up to 255 characters; an empty APP_HOME is unset (no name from the root);
// only regular files are stores (a directory of the name is passed over, a device refused).
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
    const ZeroAllocator previous = setConfigAllocator(failingAllocator);
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
    setConfigAllocator(previous);
    EXPECT_EQ(dump(store, dir), "[a]\n");  // [b]'s entry is dropped with its section
    EXPECT_EQ(SetConfig(store, "a", "x", "9"), 1);
    CloseConfig(store);
}

// A read's result: its return value, a space, and the bytes stored up to and including the NUL
// after that length (what both platforms define), NUL shown as '|'. A write without one returns nonzero.
struct Step {
    enum Kind { kValue, kKeys, kNamesByString, kNames, kSection, kWrite } kind;
    const char *section, *key, *text;  // text: the default of a read, the value of a write
    unsigned long size;
    const char* result;
};
struct Case {
    std::string file;
    std::vector<Step> steps;
};
const std::string kMissing = "<no file>";

constexpr unsigned long kBig = 1024;
// Reads (a value, a key list, the section names, also as a null section's value, a section) and writes.
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
        {"[q]\nd=\"double\"\ns='single'\nm=\"mixed'\no=\"\n",  // quotes
         {value("q", "s", "6 single|"), value("q", "m", "7 \"mixed'|"), value("q", "o", "1 \"|"),
          value("q", "missing", "2 dq|", "\"dq\""), value("q", "d", "3 dou|", "", 4)}},
        {"; top\n[dup]\nk=first\n;k=hidden\nk=second\nj=1 ; kept\n#h=1\n[DUP]\nonly=2\n",  // duplicates and comments
         {value("dup", "k", "5 first|"), value("dup", "j", "8 1 ; kept|"), value(" Dup ", " ONLY ", "4 dflt|", "dflt"),
          keys("dup", "9 k|k|j|#h||"), namesByString("8 dup|DUP||")}},
        {"pre=1\n[n]\nbare line\n[broken\nafter=1\n[a]b]\nk=a=b\n[x] junk\n\r[cr]\rc=3\n[e]\n  =no key\n",  // odd lines
         {section("n", "26 bare line|[broken|after=1||"), value("a]b", "k", "3 a=b|"), value("cr", "c", "1 3|"),
          names("13 n|a]b|x|cr|e||"), keys("e", "4 dflt|", "dflt")}},
        {"[s]\nkey=abcdef\nk2=xy\n[t]\n[u]\n",  // small buffers
         {value("s", "key", "1 a|", "", 2), value("s", "missing", "4 long|", "long default", 5), names("2 s||", 4),
          section("s", "14 key=abcdef|k2=|", 16)}},
        {kMissing,
         {value("s", "k", "4 dflt|", "dflt   "), keys("s", "8 fallback|", "fallback"), names("0 |"),
          write("s", "k", "v"), section("s", "4 k=v||")}},
        {"[General]\r\nName=Alice\r\n; keep me\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n",  // writes
         {write("general", "NAME", "Carol"), write("General", "City", "Paris"), write("New", "k", "v"),
          write("General", "Age", nullptr), write("Other", nullptr, nullptr), write("General", "padded", "  \"q\""),
          write("General", "empty", ""), section("General", "40 Name=Carol|City=Paris|padded=\"q\"|empty=||"),
          names("12 General|New||")}},
        {"[d]\na=1\n[d]\nb=2",  // no final line end, duplicates
         {write("d", "b", "3"), write("D", "a", nullptr), write("d", "n", "new"), keys("d", "4 b|n||"),
          names("4 d|d||")}},
        {"pre=1\r\n; note\r\nbare\r\n[s]\r\nk=1\r\n[]\r\nlater=2\r\n",  // section of the empty name
         {value("  ", "pre", "1 1|"), value("", "later", "4 dflt|", "dflt"), names("2 s||"), write("", "new", "3"),
          write("", "pre", nullptr), section("", "11 bare|new=3||")}},
        {"; c\r\npre=1\r\n[s]\r\nk=1\r\n",  // deleting the section of the empty name
         {write("", nullptr, nullptr), section("", "0 |"), write("", "k", "2"), value("", "k", "1 2|")}},
        {"\xEF\xBB\xBF[s]\r\nk=v\r\n",  // utf-8 mark
         {write("s", "n", "w"), section("s", "8 k=v|n=w||")}},
        {utf16("[s]\r\nk=v\r\n[t]\r\nx=1\r\n"),  // utf-16 little-endian (big-endian: the POSIX file test)
         {write("s", "n", "w"), write("new", "a", "b"), section("s", "8 k=v|n=w||"), names("8 s|t|new||")}}};
    TempDir dir;
    int index = 0;
    for (const Case& item : cases) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (item.file != kMissing) util_test::writeFile(path, item.file);
        for (std::size_t step = 0; step < item.steps.size(); ++step) {
            const char* result = item.steps[step].result;
            EXPECT_EQ(run(item.steps[step], path), result ? result : "nonzero") << path << ", step " << step + 1;
        }
    }
}

std::string edited(std::string text, const char* section, const char* key, const char* value,
                   ProfileEdit expected = ProfileEdit::kChanged) {
    EXPECT_EQ(profileWriteString(text, section, key, value), expected);
    return text;
}

// A cut list ends within its buffer; one byte holds one NUL, a buffer of none is left untouched.
TEST(ProfileEngine, TinyBuffers) {
    const std::string text = "[alpha]\n[beta]\nk=1\n";
    char buffer[8];
    EXPECT_EQ(profileGetSectionNames(&text, buffer, 8), 6u);  // "alpha" and two NULs
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

// Lone surrogates and NULs convert to text and back unchanged; the file reader keeps at most
// kLongestLine bytes of a line. (The profile fuzz target checks both on arbitrary input.)
TEST(ProfileText, EncodingsAndLongLines) {
    const std::string bytes("\xFF\xFE\x41\0\x00\xD8\x42\0\x00\xDC\x3D\xD8\x00\xDE", 14);
    std::string text, back;
    std::size_t mark;
    ASSERT_TRUE(decodeProfileText(bytes, text));
    EXPECT_TRUE(encodeProfileText(text, encodingOf(bytes, &mark), back));
    EXPECT_EQ(back, bytes);
    TempDir dir;
    util_test::writeFile(dir.file("long.ini"), "k=" + std::string(kLongestLine + 10, 'v') + "\nn=1\n");
    std::FILE* file = std::fopen(dir.file("long.ini").c_str(), "rb");
    StreamLines lines(file);
    std::vector<std::string> got;
    for (std::string_view line; lines.next(line);) got.emplace_back(line);
    std::fclose(file);
    EXPECT_EQ(got, (std::vector<std::string>{"k=" + std::string(kLongestLine - 2, 'v'), "n=1"}));
}

}  // namespace
