// ZnIniReader through the shared library: the path rules, the two-call list
// protocol, the growing list buffer, and the file operations end to end.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "config/ini_reader.h"
#include "support/test_support.h"

namespace {

using util_test::TempDir;

class Reader : public ZnIniReader {
public:
    Reader() = default;
    explicit Reader(const char* name) : ZnIniReader(name) {}
    const char* path() const { return ini_path; }
    using ZnIniReader::RetriveStrings;
    // One list call: the section names for a null section.
    int call(const char* section, char** strings, unsigned long* count, unsigned long* size) {
        return section ? GetSectionData(section, strings, count, size) : GetSectionNames(strings, count, size);
    }
    // "result count size" after one list call.
    std::string state(const char* section, char** strings, unsigned long count, unsigned long size) {
        const int r = call(section, strings, &count, &size);
        return std::to_string(r) + " " + std::to_string(count) + " " + std::to_string(size);
    }
    // The strings of a list, fetched with the two-call protocol.
    std::vector<std::string> list(const char* section) {
        unsigned long count = 0, size = 0;
        if (call(section, nullptr, &count, &size) == 1) return {};
        std::vector<std::vector<char>> storage(count, std::vector<char>(size, '#'));
        std::vector<char*> strings;
        for (auto& buffer : storage) strings.push_back(buffer.data());
        EXPECT_EQ(call(section, strings.data(), &count, &size), 1);
        return {strings.begin(), strings.end()};
    }
    std::string value(const char* key, const char* section, unsigned long size = 32) {
        char buffer[32] = "junk";
        GetKeyValue(key, section, buffer, size);
        return buffer;
    }
};

// Names are joined to the current directory once; a path that would not fit
// in 511 characters, or a null name, leaves the path empty (and then nothing is
// touched); copies share it. A current directory too long for the join leaves
// no path, never a relative one that a later chdir would move.
TEST(IniReader, PathRules) {
    TempDir dir;
    const std::string absolute = dir.file("a.ini"), here = (std::filesystem::current_path() / "").string();
    const std::string fits(511 - here.size(), 'f');
    EXPECT_STREQ(Reader(absolute.c_str()).path(), absolute.c_str());
    EXPECT_EQ(Reader(fits.c_str()).path(), here + fits);
    EXPECT_STREQ(Reader((fits + "g").c_str()).path(), "");
    Reader reader(absolute.c_str()), unset;
    EXPECT_EQ(unset.value("k", "s"), "");
    EXPECT_EQ(unset.SetKey("v", "k", "s"), 0);
    EXPECT_EQ(unset.state(nullptr, nullptr, 0, 0), "0 0 1");
    EXPECT_STREQ(Reader(reader).path(), absolute.c_str());
    unset = reader;
    EXPECT_STREQ(unset.path(), absolute.c_str());
    reader.SetINIFileName(nullptr);
    EXPECT_STREQ(reader.path(), "");
    if (util_test::isWindows()) return;  // the Windows current directory stays within MAX_PATH
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::path deep(dir.path());
    std::size_t longest = 0;
    while (deep.string().size() < 520) {
        deep /= std::string(50, 'd');
        std::filesystem::create_directory(deep);
        std::filesystem::current_path(deep);
        const std::string path = Reader("a.ini").path();
        EXPECT_EQ(path, deep.string().size() + 6 <= 511 ? deep.string() + "/a.ini" : "");
        longest = std::max(longest, path.size());
    }
    std::filesystem::current_path(previous);
    EXPECT_GT(longest, 300u);  // past 260 characters: joined whole
}

// The operations end to end; a write into a missing directory creates nothing.
// A write whose line would not read back as itself is refused and leaves the
// file byte for byte as it was; deletions still work.
TEST(IniReader, FileOperationsAndRefusedWrites) {
    TempDir dir;
    Reader reader(dir.file("client.ini").c_str());
    EXPECT_EQ(reader.value("k", "s"), "");
    EXPECT_NE(reader.SetKey("443", "Port", "Network"), 0);  // creates the file
    EXPECT_NE(reader.SetKey("vpn", "Host", "Network"), 0);
    EXPECT_EQ(reader.value("port", "network"), "443");
    EXPECT_EQ(reader.value("Host", "Network", 3), "vp");
    EXPECT_EQ(reader.SectionExists("NETWORK"), 1);
    EXPECT_EQ(reader.SectionExists("Absent"), 0);
    EXPECT_EQ(reader.list("Network"), (std::vector<std::string>{"Port=443", "Host=vpn"}));
    const std::string before = util_test::readFile(dir.file("client.ini"));
    struct Write {
        const char *value, *key, *section;
    };
    for (const Write& w : {Write{"a\nb=c", "nl", "Network"}, Write{"v", "k\rx", "Network"},
                           Write{"v", "a=b", "Network"}, Write{"v", "k", "a]b"}, Write{"v", "[evil]", "Network"},
                           Write{"v", " ;k", "Network"}, Write{nullptr, nullptr, "x\n[y"}}) {
        EXPECT_EQ(reader.SetKey(w.value, w.key, w.section), 0) << (w.key ? w.key : "(null)");
    }
    EXPECT_EQ(util_test::readFile(dir.file("client.ini")), before);
    EXPECT_NE(reader.SetKey("x=y ; [z]", "k[1]", "a[b"), 0);  // allowed: they read back
    EXPECT_EQ(reader.value("k[1]", "a[b"), "x=y ; [z]");
    EXPECT_NE(reader.SetKey(nullptr, "Host", "Network"), 0);
    EXPECT_EQ(reader.value("Host", "Network"), "");
    Reader nowhere(dir.file("missing-dir/x.ini").c_str());
    EXPECT_EQ(nowhere.SetKey("v", "k", "s"), 0);
    EXPECT_FALSE(util_test::fileExists(dir.file("missing-dir")));
}

// The two-call protocol: too small a count or size gives the needed ones and
// stores nothing; a section with a header only counts as absent; lists longer
// than the first buffer are fetched whole.
TEST(IniReader, TwoCallProtocolAndLongLists) {
    TempDir dir;
    util_test::writeFile(dir.file("n.ini"), "[a]\nk=1\n[longest]\nk=2\n[empty]\n; nothing\n[mid]\nk=3\n");
    Reader reader(dir.file("n.ini").c_str());
    char buffers[5][8];
    std::memset(buffers, '#', sizeof buffers);
    char* strings[5] = {buffers[0], buffers[1], buffers[2], buffers[3], buffers[4]};
    EXPECT_EQ(reader.state(nullptr, strings, 4, 7), "0 4 8");  // one too few for "longest"
    EXPECT_EQ(reader.state(nullptr, strings, 3, 8), "0 4 8");
    EXPECT_EQ(buffers[0][0], '#');
    EXPECT_EQ(reader.state(nullptr, strings, 5, 8), "1 5 8");  // more than needed: succeeds, count stays
    EXPECT_EQ(std::vector<std::string>(strings, strings + 4),
              (std::vector<std::string>{"a", "longest", "empty", "mid"}));
    EXPECT_EQ(buffers[4][0], '#');
    EXPECT_EQ(reader.SectionExists("empty"), 0);
    EXPECT_EQ(reader.state("empty", nullptr, 0, 0), "0 0 1");  // a real "too small" needs size 1
    EXPECT_EQ(reader.state("empty", nullptr, 0, 1), "1 0 1");
    char* withNull[2] = {buffers[0], nullptr};
    unsigned long count = 2, size = 4;
    EXPECT_EQ(reader.RetriveStrings("ab\0cde\0\0", 7, withNull, &count, &size), 0);
    EXPECT_EQ(reader.RetriveStrings("ab\0cde\0\0", 7, strings, nullptr, &size), 0);
    std::string text = "[big]\n";
    std::vector<std::string> lines;
    for (int i = 0; i < 2000; ++i) {  // 40,000 bytes of lines: 8191, 16382, 32764, 65528
        lines.push_back("key" + std::to_string(i) + "=value_" + std::to_string(i));
        text += lines.back() + "\n";
    }
    util_test::writeFile(dir.file("long.ini"), text);
    reader.SetINIFileName(dir.file("long.ini").c_str());
    EXPECT_EQ(reader.list("big"), lines);
}

}  // namespace
