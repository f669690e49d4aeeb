// Runs the INI corpus through the profile functions of this platform (Windows:
// the system's own; POSIX: the library's engine) and compares every result with
// the recorded one. The record was made once from the Windows functions under
// Wine: run this binary there with UTIL_INI_CORPUS_OUT set to a file name and it
// writes a new ini_corpus_expected.inc instead of comparing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "config/profile.h"
#include "ini_corpus.h"
#include "support/test_support.h"

namespace {

const char kExpected[] =
#include "ini_corpus_expected.inc"
    ;

std::string escape(const char* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            text.push_back(static_cast<char>(c));
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            text += hex;
        }
    }
    return text;
}

const char* kindName(ini_corpus::Call::Kind kind) {
    switch (kind) {
    case ini_corpus::Call::kValue: return "value";
    case ini_corpus::Call::kKeys: return "keys";
    case ini_corpus::Call::kNamesByString: return "names-by-string";
    case ini_corpus::Call::kNames: return "names";
    case ini_corpus::Call::kSection: return "section";
    case ini_corpus::Call::kWrite: return "write";
    }
    return "?";
}

// One result line: the call's result and the bytes it stored, up to and
// including the NUL after its result (what both platforms define).
std::string runCall(const ini_corpus::Call& call, const std::string& path) {
    using namespace util::config;
    std::vector<char> buffer(call.size + 1, '#');
    unsigned long result = 0;
    switch (call.kind) {
    case ini_corpus::Call::kValue:
    case ini_corpus::Call::kKeys:
    case ini_corpus::Call::kNamesByString:
        result = profileString(call.section, call.key, call.text, buffer.data(), call.size, path.c_str());
        break;
    case ini_corpus::Call::kNames:
        result = profileSectionNames(buffer.data(), call.size, path.c_str());
        break;
    case ini_corpus::Call::kSection:
        result = profileSection(call.section, buffer.data(), call.size, path.c_str());
        break;
    case ini_corpus::Call::kWrite:
        result = profileWrite(call.section, call.key, call.text, path.c_str()) != 0 ? 1 : 0;
        return std::string("write r=") + std::to_string(result);
    }
    std::size_t shown = result + 1 < call.size ? result + 1 : call.size;
    return std::string(kindName(call.kind)) + " size=" + std::to_string(call.size) + " r=" +
           std::to_string(result) + " \"" + escape(buffer.data(), shown) + "\"";
}

std::string runCorpus() {
    util_test::TempDir dir;
    std::ostringstream out;
    int index = 0;
    for (const ini_corpus::Case& item : ini_corpus::cases()) {
        const std::string path = dir.file("case" + std::to_string(index++) + ".ini");
        if (item.exists) {
            util_test::writeFile(path, item.file);
        }
        out << "== " << item.name << "\n";
        for (const ini_corpus::Call& call : item.calls) {
            out << runCall(call, path) << "\n";
        }
    }
    return out.str();
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        all.push_back(line);
    }
    return all;
}

TEST(IniCorpus, MatchesTheRecordedResults) {
    const std::string actual = runCorpus();
    if (const char* out = std::getenv("UTIL_INI_CORPUS_OUT")) {
        std::FILE* file = std::fopen(out, "wb");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "// Results of the INI corpus, recorded from the Windows profile functions under Wine.\n"
                           "R\"corpus(%s)corpus\"\n", actual.c_str());
        std::fclose(file);
        return;
    }
    const std::vector<std::string> expected = lines(kExpected);
    const std::vector<std::string> got = lines(actual);
    ASSERT_FALSE(expected.empty()) << "no recorded results";
    for (std::size_t i = 0; i < expected.size() || i < got.size(); ++i) {
        EXPECT_EQ(i < got.size() ? got[i] : "<none>", i < expected.size() ? expected[i] : "<none>")
            << "result line " << i + 1;
    }
}

}  // namespace
