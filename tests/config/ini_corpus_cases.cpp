// The corpus: ordinary files and the odd ones that hand-edited INI files hold.
// Cases where Wine and Windows part ways are not here (see the engine's tests).
#include <string>

#include "ini_corpus.h"

namespace ini_corpus {

namespace {

using C = Call;
constexpr unsigned long kBig = 1024;

Call value(const char* section, const char* key, const char* fallback = "", unsigned long size = kBig) {
    return {C::kValue, section, key, fallback, size};
}
Call keys(const char* section, const char* fallback = "", unsigned long size = kBig) {
    return {C::kKeys, section, nullptr, fallback, size};
}
Call names(unsigned long size = kBig) { return {C::kNames, nullptr, nullptr, nullptr, size}; }
Call namesByString(unsigned long size = kBig) { return {C::kNamesByString, nullptr, nullptr, "", size}; }
Call section(const char* name, unsigned long size = kBig) { return {C::kSection, name, nullptr, nullptr, size}; }
Call write(const char* section, const char* key, const char* text) { return {C::kWrite, section, key, text, 0}; }

std::string manyKeys() {
    std::string text = "[many]\r\n";
    for (int i = 0; i < 300; ++i) {
        text += "key" + std::to_string(i) + "=value " + std::to_string(i) + "\r\n";
    }
    return text;
}

// ASCII text as UTF-16 with its byte-order mark.
std::string utf16(const std::string& text, bool little) {
    std::string bytes = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : text) bytes += little ? std::string{c, '\0'} : std::string{'\0', c};
    return bytes;
}

std::vector<Case> build() {
    std::vector<Case> all;
    all.push_back({"ordinary", true,
                   "[General]\r\nName=Alice\r\nAge = 30\r\n\r\n[Network]\r\nHost=vpn.example.com\r\nPort=443\r\n",
                   {value("General", "Name"), value("general", "NAME"), value(" General ", " Name "),
                    value("Network", "Port"), value("Network", "Missing", "dflt"), value("Missing", "Name", "d"),
                    value("Network", "Missing", "trailing   "), keys("General"), keys("Missing"),
                    keys("Missing", "fallback"), names(), namesByString(), section("General"),
                    section("network"), section("Missing")}});
    all.push_back({"blanks", true,
                   "  [ Spaced Section ]  \n\t key one \t=\t value one \t\nk2=  \n  k3  =  a  b  \n[\tTabbed\t]\nt=1\n",
                   {value("Spaced Section", "key one"), value("Spaced Section", "k2", "dflt"),
                    value("Spaced Section", "k3"), value("Tabbed", "t"), names(), section("Spaced Section"),
                    keys("Spaced Section")}});
    all.push_back({"quotes", true,
                   "[q]\nd=\"double\"\ns='single'\nm=\"mixed'\no=\"\nt=\"\"\ninner=a\"b\"c\nsp=  \"pad\"  \n"
                   "lead=\"x\ny=x\"\n",
                   {value("q", "d"), value("q", "s"), value("q", "m"), value("q", "o"), value("q", "t", "dflt"),
                    value("q", "inner"), value("q", "sp"), value("q", "lead"), value("q", "y"),
                    value("q", "missing", "\"dq\""), value("q", "d", "", 3), value("q", "d", "", 4),
                    value("q", "d", "", 9), section("q")}});
    all.push_back({"duplicates", true,
                   "[dup]\nk=first\nk=second\n[other]\nx=1\n[DUP]\nk=third\nonly=second section\n",
                   {value("dup", "k"), value("Dup", "only", "dflt"), keys("dup"), names(), section("DUP")}});
    all.push_back({"comments", true,
                   "; top comment\n[c]\n;k=commented\n  ; indented=1\nk=real # not a comment\nj=1 ; not either\n"
                   "#hash=1\n",
                   {value("c", "k"), value("c", "j"), value("c", "#hash"), keys("c"), section("c"), names()}});
    all.push_back({"no equals", true, "[n]\nbare line\nk=v\n[broken header\nafter=1\n",
                   {value("n", "bare line", "dflt"), value("n", "after"), keys("n"), section("n"), names()}});
    all.push_back({"empty", true, "[e]\n[f]\nk=\n",
                   {keys("e"), keys("e", "dflt"), value("f", "k", "dflt"), section("e"), names(), keys("f")}});
    all.push_back({"before first header", true, "pre=1\n[s]\nk=1\n",
                   {value("s", "pre", "dflt"), names(), section("s")}});
    all.push_back({"no final line end", true, "[s]\nk=v", {value("s", "k"), write("s", "n", "new"), keys("s"),
                                                            value("s", "n")}});
    all.push_back({"odd lines", true, "[a]b]\nk=a=b\n[x] junk\nj=2\n\r[cr]\rc=3\r[sp ace]\n  =no key\nz = 1\n",
                   {value("a]b", "k"), value("x", "j"), value("cr", "c"), value("sp ace", "z"), names(),
                    section("sp ace"), keys("sp ace")}});
    all.push_back({"small buffers", true, "[s]\nkey=abcdef\nk2=xy\n[t]\n[u]\n",
                   {value("s", "key", "", 2), value("s", "key", "", 3), value("s", "key", "", 6),
                    value("s", "key", "", 7), value("s", "key", "", 8), value("s", "missing", "long default", 5),
                    keys("s", "", 3), keys("s", "", 4), keys("s", "", 5), keys("s", "", 6), keys("s", "", 7),
                    keys("s", "", 8), keys("s", "", 9), names(3), names(4), names(5), names(6), names(7), names(8),
                    namesByString(5), namesByString(7), namesByString(8), section("s", 5), section("s", 9),
                    section("s", 10), section("s", 16), section("s", 17), section("s", 18)}});
    all.push_back({"long list", true, manyKeys(),
                   {keys("many", "", 8192), keys("many", "", 100), section("many", 8192), section("many", 200),
                    value("many", "key299")}});
    all.push_back({"missing file", false, "",
                   {value("s", "k", "dflt"), keys("s", "dflt"), keys("s"), names(), namesByString(), section("s")}});
    all.push_back({"writes", true, "[General]\r\nName=Alice\r\n; keep me\r\nAge=30\r\n\r\n[Other]\r\nx=1\r\n",
                   {write("General", "Name", "Bob"), value("General", "Name"), write("general", "NAME", "Carol"),
                    value("General", "name"), write("General", "City", "Paris"), keys("General"),
                    write("New", "k", "v"), names(), value("New", "k"), write("General", "Age", nullptr),
                    keys("General"), write("Other", nullptr, nullptr), names(), value("Other", "x", "gone"),
                    write("General", "absent", nullptr), write("Absent", nullptr, nullptr),
                    write("General", "padded", "  spaces"), value("General", "padded"),
                    write("General", "quoted", "\"q\""), value("General", "quoted"), section("General"),
                    write("General", "empty", ""), value("General", "empty", "dflt")}});
    all.push_back({"writes to duplicates", true, "[d]\na=1\n[d]\nb=2\n",
                   {write("d", "b", "3"), value("d", "b"), keys("d"), names(), write("D", "a", nullptr), keys("d")}});
    all.push_back({"write creates the file", false, "",
                   {write("s", "k", "v"), value("s", "k"), names(), section("s")}});
    all.push_back({"section of the empty name", true, "pre=1\r\n; note\r\nbare\r\n[s]\r\nk=1\r\n[]\r\nlater=2\r\n",
                   {value("", "pre"), value("  ", "pre"), value("", "later", "dflt"), keys(""), section(""),
                    names(), write("", "new", "3"), value("", "new"), section(""), value("s", "new", "dflt"),
                    write("", "pre", nullptr), value("", "pre", "gone"), keys("")}});
    all.push_back({"deleting the section of the empty name", true, "; c\r\npre=1\r\n[s]\r\nk=1\r\n",
                   {write("", nullptr, nullptr), section(""), names(), value("s", "k"), write("", "k", "2"),
                    value("", "k"), value("s", "k")}});
    for (bool little : {true, false}) {
        all.push_back({little ? "utf-16 little-endian" : "utf-16 big-endian", true,
                       utf16("[s]\r\nk=v\r\n[t]\r\nx=1\r\n", little),
                       {value("s", "k"), keys("s"), names(), write("s", "n", "w"), write("s", "k", "changed"),
                        write("new", "a", "b"), value("s", "n"), value("s", "k"), value("new", "a"), section("s"),
                        names()}});
    }
    all.push_back({"utf-8 mark", true, "\xEF\xBB\xBF[s]\r\nk=v\r\n",
                   {value("s", "k"), names(), write("s", "n", "w"), section("s")}});
    return all;
}

}  // namespace

const std::vector<Case>& cases() {
    static const std::vector<Case> all = build();
    return all;
}

}  // namespace ini_corpus
