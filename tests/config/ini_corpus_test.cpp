// Runs the INI corpus through the profile functions of this platform (Windows:
// the system's own; POSIX: the library's engine) and compares every result with
// the recorded one. The record was made once from the Windows functions under
// Wine: run this binary there with UTIL_INI_CORPUS_OUT set to a file name and it
// writes a new ini_corpus_expected.inc instead of comparing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_platform.h"
#include "ini_corpus.h"
#include "support/test_support.h"

namespace {

const char kExpected[] =
#include "ini_corpus_expected.inc"
    ;

// One result line: the call's result and the bytes it stored, up to and
// including the NUL after its result (what both platforms define), escaped.
std::string runCall(const ini_corpus::Call& call, const std::string& path) {
    using namespace util::config;
    using C = ini_corpus::Call;
    static const char* const kinds[] = {"value", "keys", "names-by-string", "names", "section"};
    if (call.kind == C::kWrite) {
        return std::string("write r=") + (profileWrite(call.section, call.key, call.text, path.c_str()) ? "1" : "0");
    }
    std::vector<char> buffer(call.size + 1, '#');
    const unsigned long result =
        call.kind == C::kNames     ? profileSectionNames(buffer.data(), call.size, path.c_str())
        : call.kind == C::kSection ? profileSection(call.section, buffer.data(), call.size, path.c_str())
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
    for (const ini_corpus::Case& item : ini_corpus::cases()) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (item.exists) util_test::writeFile(path, item.file);
        out << "== " << item.name << "\n";
        for (const ini_corpus::Call& call : item.calls) out << runCall(call, path) << "\n";
    }
    if (const char* name = std::getenv("UTIL_INI_CORPUS_OUT")) {
        std::FILE* file = std::fopen(name, "wb");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "// Results of the INI corpus, recorded from the Windows profile functions under Wine.\n"
                           "R\"corpus(%s)corpus\"\n", out.str().c_str());
        std::fclose(file);
        return;
    }
    ASSERT_FALSE(std::string(kExpected).empty()) << "no recorded results";
    std::istringstream expected(kExpected), got(out.str());
    std::string want, have;
    for (int line = 1;; ++line) {
        const bool w = bool(std::getline(expected, want)), h = bool(std::getline(got, have));
        if (!w && !h) break;
        EXPECT_EQ(h ? have : "<none>", w ? want : "<none>") << "result line " << line;
    }
}

}  // namespace
