// The INI corpus: ordinary and odd files, the profile calls made on them and
// their results, recorded from the Windows profile functions under Wine. The
// Windows binary runs it through the system's own functions, the POSIX binary
// through the library's engine; both must give the recorded results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_platform.h"
#include "support/test_support.h"

namespace {

struct Call {
    enum Kind { kValue, kKeys, kNamesByString, kNames, kSection, kWrite } kind;
    const char* section;
    const char* key;
    const char* text;  // the default of a read, the value of a write
    unsigned long size;
};
// A read's result: its return value, a space, and the bytes it stored up to and
// including the NUL after that length (what both platforms define), NUL shown
// as '|'. A write without a result must return nonzero.
struct Step {
    Call call;
    const char* result = nullptr;
};
struct Case {
    std::string name, file;  // no name: the file is missing
    std::vector<Step> steps;
};

constexpr unsigned long kBig = 1024;
Call value(const char* section, const char* key, const char* fallback = "", unsigned long size = kBig) {
    return {Call::kValue, section, key, fallback, size};
}
Call keys(const char* section, const char* fallback = "", unsigned long size = kBig) {
    return {Call::kKeys, section, nullptr, fallback, size};
}
Call names(unsigned long size = kBig) { return {Call::kNames, nullptr, nullptr, nullptr, size}; }
Call namesByString(unsigned long size = kBig) { return {Call::kNamesByString, nullptr, nullptr, "", size}; }
Call section(const char* name, unsigned long size = kBig) { return {Call::kSection, name, nullptr, nullptr, size}; }
Call write(const char* section, const char* key, const char* text) { return {Call::kWrite, section, key, text, 0}; }

// ASCII text as UTF-16 with its byte-order mark.
std::string utf16(const std::string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text) bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

std::vector<Case> cases() {
    std::string many = "[many]\r\n";
    for (int i = 0; i < 300; ++i) many += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    std::vector<Case> all = {
        {"ordinary",
         "[General]\r\nName=Alice\r\nAge = 30\r\n\r\n[Network]\r\nHost=vpn.example.com\r\nPort=443\r\n",
         {{value(" general ", " NAME "), "5 Alice|"},
          {value("Network", "Missing", "trailing   "), "8 trailing|"},
          {keys("General"), "9 Name|Age||"},
          {keys("Missing", "fallback"), "8 fallback|"},
          {namesByString(), "16 General|Network||"},
          {section("network"), "30 Host=vpn.example.com|Port=443||"}}},
        {"quotes and blanks",
         "[q]\nd=\"double\"\ns='single'\nm=\"mixed'\no=\"\nsp=  \"pad\"  \n\tk 2 \t=\t v 2 \t\n",
         {{value("q", "s"), "6 single|"},
          {value("q", "m"), "7 \"mixed'|"},
          {value("q", "o"), "1 \"|"},
          {value("q", "sp"), "3 pad|"},
          {value("q", "missing", "\"dq\""), "2 dq|"},
          {value("q", "d", "", 4), "3 dou|"},
          {value("q", "k 2"), "3 v 2|"}}},
        {"duplicates and comments",
         "; top\n[dup]\nk=first\n;k=hidden\nk=second\nj=1 ; kept\n#h=1\n[DUP]\nonly=2\n",
         {{value("dup", "k"), "5 first|"},
          {value("dup", "j"), "8 1 ; kept|"},
          {value("Dup", "only", "dflt"), "4 dflt|"},
          {keys("dup"), "9 k|k|j|#h||"},
          {names(), "8 dup|DUP||"}}},
        {"odd lines",
         "pre=1\n[n]\nbare line\n[broken\nafter=1\n[a]b]\nk=a=b\n[x] junk\n\r[cr]\rc=3\n[e]\n  =no key\n",
         {{section("n"), "26 bare line|[broken|after=1||"},
          {value("a]b", "k"), "3 a=b|"},
          {value("cr", "c"), "1 3|"},
          {names(), "13 n|a]b|x|cr|e||"},
          {keys("e", "dflt"), "4 dflt|"}}},
        {"small buffers",
         "[s]\nkey=abcdef\nk2=xy\n[t]\n[u]\n",
         {{value("s", "key", "", 2), "1 a|"},
          {value("s", "missing", "long default", 5), "4 long|"},
          {keys("s", "", 7), "5 key|k|"},
          {names(4), "2 s||"},
          {namesByString(5), "3 s|t|"},
          {section("s", 16), "14 key=abcdef|k2=|"}}},
        {"long list", many, {{value("many", "key299"), "9 value 299|"}}},
        {"",
         "",
         {{value("s", "k", "dflt"), "4 dflt|"}, {names(), "0 |"}, {write("s", "k", "v")}, {section("s"), "4 k=v||"}}},
        {"writes",
         "[General]\r\nName=Alice\r\n; keep me\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n",
         {{write("general", "NAME", "Carol")},
          {write("General", "City", "Paris")},
          {write("New", "k", "v")},
          {write("General", "Age", nullptr)},
          {write("Other", nullptr, nullptr)},
          {write("Absent", nullptr, nullptr)},
          {write("General", "padded", "  \"q\"")},
          {write("General", "empty", "")},
          {section("General"), "40 Name=Carol|City=Paris|padded=\"q\"|empty=||"},
          {names(), "12 General|New||"}}},
        {"no final line end, duplicates",
         "[d]\na=1\n[d]\nb=2",
         {{write("d", "b", "3")},
          {write("D", "a", nullptr)},
          {write("d", "n", "new")},
          {keys("d"), "4 b|n||"},
          {names(), "4 d|d||"}}},
        {"section of the empty name",
         "pre=1\r\n; note\r\nbare\r\n[s]\r\nk=1\r\n[]\r\nlater=2\r\n",
         {{value("  ", "pre"), "1 1|"},
          {value("", "later", "dflt"), "4 dflt|"},
          {names(), "2 s||"},
          {write("", "new", "3")},
          {write("", "pre", nullptr)},
          {section(""), "11 bare|new=3||"}}},
        {"deleting the section of the empty name",
         "; c\r\npre=1\r\n[s]\r\nk=1\r\n",
         {{write("", nullptr, nullptr)},
          {section(""), "0 |"},
          {write("", "k", "2")},
          {value("", "k"), "1 2|"},
          {value("s", "k"), "1 1|"}}},
        {"utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", {{write("s", "n", "w")}, {section("s"), "8 k=v|n=w||"}}}};
    for (bool little : {true, false}) {
        all.push_back({little ? "utf-16 little-endian" : "utf-16 big-endian",
                       utf16("[s]\r\nk=v\r\n[t]\r\nx=1\r\n", little),
                       {{write("s", "n", "w")},
                        {write("new", "a", "b")},
                        {section("s"), "8 k=v|n=w||"},
                        {names(), "8 s|t|new||"}}});
    }
    return all;
}

std::string run(const Call& call, const std::string& path) {
    using namespace util::config;
    if (call.kind == Call::kWrite) {
        return profileWrite(call.section, call.key, call.text, path.c_str()) ? "nonzero" : "0";
    }
    std::string buffer(call.size + 1, '#');
    const unsigned long result =
        call.kind == Call::kNames ? profileSectionNames(&buffer[0], call.size, path.c_str())
        : call.kind == Call::kSection
            ? profileSection(call.section, &buffer[0], call.size, path.c_str())
            : profileString(call.section, call.key, call.text, &buffer[0], call.size, path.c_str());
    if (buffer[call.size] != '#') return "wrote past the buffer";
    buffer.resize(std::min<std::size_t>(result + 1, call.size));
    for (char& c : buffer) c = c == '\0' ? '|' : c;
    return std::to_string(result) + " " + buffer;
}

TEST(IniCorpus, MatchesTheRecordedResults) {
    util_test::TempDir dir;
    int index = 0;
    for (const Case& item : cases()) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (!item.name.empty()) util_test::writeFile(path, item.file);
        for (std::size_t step = 0; step < item.steps.size(); ++step) {
            const Step& s = item.steps[step];
            EXPECT_EQ(run(s.call, path), s.result ? s.result : "nonzero") << item.name << ", step " << step + 1;
        }
    }
}

}  // namespace
