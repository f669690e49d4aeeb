// The INI corpus: ordinary and odd files with the profile calls made on them,
// run through this platform's profile functions (Windows: the system's own;
// POSIX: the library's engine); both must give the results recorded once from
// the Windows functions under Wine. Run the Windows binary with
// UTIL_INI_CORPUS_OUT set to a file name to write a new record instead.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_platform.h"
#include "support/test_support.h"

namespace {

const char kExpected[] =
#include "ini_corpus_expected.inc"
    ;

struct Call {
    enum Kind { kValue, kKeys, kNamesByString, kNames, kSection, kWrite } kind;
    const char* section;
    const char* key;
    const char* text;  // the default of a read, the value of a write
    unsigned long size;
};
struct Case {
    std::string name, file;  // an empty name: the file is missing
    std::vector<Call> calls;
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
        {"ordinary", "[General]\r\nName=Alice\r\nAge = 30\r\n\r\n[Network]\r\nHost=vpn.example.com\r\nPort=443\r\n",
         {value(" general ", " NAME "), value("Network", "Missing", "trailing   "), keys("General"),
          keys("Missing", "fallback"), namesByString(), section("network")}},
        {"quotes and blanks", "[q]\nd=\"double\"\ns='single'\nm=\"mixed'\no=\"\nsp=  \"pad\"  \n\tk 2 \t=\t v 2 \t\n",
         {value("q", "s"), value("q", "m"), value("q", "o"), value("q", "sp"), value("q", "missing", "\"dq\""),
          value("q", "d", "", 4), value("q", "k 2")}},
        {"duplicates and comments", "; top\n[dup]\nk=first\n;k=hidden\nk=second\nj=1 ; kept\n#h=1\n[DUP]\nonly=2\n",
         {value("dup", "k"), value("dup", "j"), value("Dup", "only", "dflt"), keys("dup"), names()}},
        {"odd lines", "pre=1\n[n]\nbare line\n[broken\nafter=1\n[a]b]\nk=a=b\n[x] junk\n\r[cr]\rc=3\n[e]\n  =no key\n",
         {value("n", "after"), section("n"), value("a]b", "k"), value("cr", "c"), names(), keys("e", "dflt")}},
        {"small buffers", "[s]\nkey=abcdef\nk2=xy\n[t]\n[u]\n",
         {value("s", "key", "", 2), value("s", "missing", "long default", 5), keys("s", "", 6), keys("s", "", 7),
          names(4), namesByString(5), section("s", 16)}},
        {"long list", many, {section("many", 200), value("many", "key299")}},
        {"", "", {value("s", "k", "dflt"), keys("s", "dflt"), names(), write("s", "k", "v"), section("s")}},
        {"writes", "[General]\r\nName=Alice\r\n; keep me\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n",
         {write("general", "NAME", "Carol"), write("General", "City", "Paris"), write("New", "k", "v"),
          write("General", "Age", nullptr), write("Other", nullptr, nullptr), write("Absent", nullptr, nullptr),
          write("General", "padded", "  \"q\""), write("General", "empty", ""), section("General"), names()}},
        {"no final line end, duplicates", "[d]\na=1\n[d]\nb=2",
         {write("d", "b", "3"), write("D", "a", nullptr), write("d", "n", "new"), keys("d"), names()}},
        {"section of the empty name", "pre=1\r\n; note\r\nbare\r\n[s]\r\nk=1\r\n[]\r\nlater=2\r\n",
         {value("  ", "pre"), value("", "later", "dflt"), names(), write("", "new", "3"), write("", "pre", nullptr),
          section("")}},
        {"deleting the section of the empty name", "; c\r\npre=1\r\n[s]\r\nk=1\r\n",
         {write("", nullptr, nullptr), section(""), write("", "k", "2"), value("", "k"), value("s", "k")}},
        {"utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", {write("s", "n", "w"), section("s")}}};
    for (bool little : {true, false}) {
        all.push_back({little ? "utf-16 little-endian" : "utf-16 big-endian", utf16("[s]\r\nk=v\r\n[t]\r\nx=1\r\n", little),
                       {write("s", "n", "w"), write("s", "k", "changed"), write("new", "a", "b"), section("s"),
                        names()}});
    }
    return all;
}

// One result line: the call's result and the bytes it stored, up to and
// including the NUL after its result (what both platforms define), escaped.
std::string runCall(const Call& call, const std::string& path) {
    using namespace util::config;
    static const char* const kinds[] = {"value", "keys", "names-by-string", "names", "section"};
    if (call.kind == Call::kWrite) {
        return std::string("write r=") + (profileWrite(call.section, call.key, call.text, path.c_str()) ? "1" : "0");
    }
    std::vector<char> buffer(call.size + 1, '#');
    const unsigned long result =
        call.kind == Call::kNames     ? profileSectionNames(buffer.data(), call.size, path.c_str())
        : call.kind == Call::kSection ? profileSection(call.section, buffer.data(), call.size, path.c_str())
                                      : profileString(call.section, call.key, call.text, buffer.data(), call.size, path.c_str());
    std::string line = std::string(kinds[call.kind]) + " size=" + std::to_string(call.size) + " r=" +
                       std::to_string(result) + " \"";
    for (std::size_t i = 0; i < std::min<std::size_t>(result + 1, call.size); ++i) {
        const unsigned char c = static_cast<unsigned char>(buffer[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        line += c >= 0x20 && c < 0x7F && c != '\\' && c != '"' ? std::string(1, static_cast<char>(c)) : hex;
    }
    return line + "\"";
}

TEST(IniCorpus, MatchesTheRecordedResults) {
    util_test::TempDir dir;
    std::ostringstream out;
    int index = 0;
    for (const Case& item : cases()) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (!item.name.empty()) util_test::writeFile(path, item.file);
        out << "== " << (item.name.empty() ? "missing file" : item.name) << "\n";
        for (const Call& call : item.calls) out << runCall(call, path) << "\n";
    }
    if (const char* name = std::getenv("UTIL_INI_CORPUS_OUT")) {
        std::FILE* file = std::fopen(name, "wb");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "// Results of the INI corpus, recorded from the Windows profile functions under Wine.\n"
                           "R\"corpus(%s)corpus\"\n", out.str().c_str());
        std::fclose(file);
        return;
    }
    std::istringstream expected(kExpected), got(out.str());
    std::string want, have;
    for (int line = 1;; ++line) {
        const bool w = bool(std::getline(expected, want)), h = bool(std::getline(got, have));
        if (!w && !h) break;
        EXPECT_EQ(h ? have : "<none>", w ? want : "<none>") << "result line " << line;
    }
}

}  // namespace
