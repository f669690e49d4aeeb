// ZnIniReader through the shared library: path rules, the two-call list protocol, the
// growing list buffer, the file operations end to end, threads writing one file at once.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "config/ini_reader.h"
#include "support/test_support.h"

namespace {

using util_test::TempDir;

class Reader : public ZnIniReader {
public:
    using ZnIniReader::RetriveStrings;
    using ZnIniReader::ZnIniReader;
    const char* path() const { return ini_path; }
    // "result count size" after one list call (the section names for a null section).
    std::string state(const char* section, char** strings, unsigned long count, unsigned long size) {
        const int r =
            section ? GetSectionData(section, strings, &count, &size) : GetSectionNames(strings, &count, &size);
        return std::to_string(r) + " " + std::to_string(count) + " " + std::to_string(size);
    }
    // A section's lines, fetched with the two-call protocol.
    std::vector<std::string> list(const char* section) {
        unsigned long count = 0, size = 0;
        if (GetSectionData(section, nullptr, &count, &size) == 1) return {};
        std::vector<std::vector<char>> storage(count, std::vector<char>(size, '#'));
        std::vector<char*> strings;
        for (auto& buffer : storage) strings.push_back(buffer.data());
        EXPECT_EQ(GetSectionData(section, strings.data(), &count, &size), 1);
        return {strings.begin(), strings.end()};
    }
    std::string value(const char* key, const char* section, unsigned long size = 32) {
        char buffer[32] = "junk";
        GetKeyValue(key, section, buffer, size);
        return buffer;
    }
};

// Names are joined to the current directory once; a path over 511 characters or a null name leaves
// the path empty (nothing is touched then). A current directory over 260 characters is joined whole,
// never left out to keep a relative name that a later chdir would move.
TEST(IniReader, PathRules) {
    TempDir dir;
    const std::string absolute = dir.file("a.ini"), here = (std::filesystem::current_path() / "").string();
    const std::string fits(511 - here.size(), 'f');
    EXPECT_EQ(Reader(fits.c_str()).path(), here + fits);
    EXPECT_STREQ(Reader((fits + "g").c_str()).path(), "");
    Reader reader(absolute.c_str()), unset;
    EXPECT_EQ(unset.value("k", "s"), "");
    EXPECT_EQ(unset.SetKey("v", "k", "s"), 0);
    EXPECT_EQ(unset.state(nullptr, nullptr, 0, 0), "0 0 1");
    EXPECT_STREQ(Reader(reader).path(), absolute.c_str());
    reader.SetINIFileName(nullptr);
    EXPECT_STREQ(reader.path(), "");
    if (util_test::isWindows()) return;  // the Windows current directory stays within MAX_PATH
    namespace fs = std::filesystem;
    const fs::path previous = fs::current_path(),
                   deep = fs::path(dir.path()) / std::string(150, 'd') / std::string(150, 'e');
    const fs::path deeper = deep / std::string(220 - dir.path().size(), 'f');  // 523 characters
    fs::create_directories(deeper);
    fs::current_path(deep);
    EXPECT_EQ(Reader("a.ini").path(), deep.string() + "/a.ini");
    fs::current_path(deeper);
    EXPECT_STREQ(Reader("a.ini").path(), "");
    fs::current_path(previous);
}

// The operations end to end; a write into a missing directory creates nothing. A write whose line
// would not read back as itself is refused and leaves the file byte for byte as it was.
TEST(IniReader, FileOperationsAndRefusedWrites) {
    TempDir dir;
    Reader reader(dir.file("client.ini").c_str());
    EXPECT_NE(reader.SetKey("443", "Port", "Network"), 0);  // creates the file
    EXPECT_NE(reader.SetKey("vpn", "Host", "Network"), 0);
    EXPECT_EQ(reader.value("port", "network"), "443");
    EXPECT_EQ(reader.SectionExists("NETWORK"), 1);
    EXPECT_EQ(reader.SectionExists("Absent"), 0);
    EXPECT_EQ(reader.list("Network"), (std::vector<std::string>{"Port=443", "Host=vpn"}));
    const std::string before = util_test::readFile(dir.file("client.ini"));
    for (const char* value : {"a\nb=c", "a\rb"}) EXPECT_EQ(reader.SetKey(value, "k", "Network"), 0);
    for (const char* key : {"k\rx", "a=b", "[evil]", " ;k"}) EXPECT_EQ(reader.SetKey("v", key, "Network"), 0) << key;
    for (const char* section : {"a]b", "x\n[y"}) EXPECT_EQ(reader.SetKey(nullptr, nullptr, section), 0) << section;
    EXPECT_EQ(util_test::readFile(dir.file("client.ini")), before);
    EXPECT_NE(reader.SetKey("x=y ; [z]", "k[1]", "a[b"), 0);  // allowed: they read back
    EXPECT_EQ(reader.value("k[1]", "a[b"), "x=y ; [z]");
    EXPECT_NE(reader.SetKey(nullptr, "Host", "Network"), 0);
    EXPECT_EQ(reader.value("Host", "Network"), "");
    Reader nowhere(dir.file("missing-dir/x.ini").c_str());
    EXPECT_EQ(nowhere.SetKey("v", "k", "s"), 0);
    EXPECT_FALSE(util_test::fileExists(dir.file("missing-dir")));
}

// Too small a count or size gives the needed ones and stores nothing; a section with a header only
// counts as absent; lists longer than the first buffer are fetched whole.
TEST(IniReader, TwoCallProtocolAndLongLists) {
    TempDir dir;
    util_test::writeFile(dir.file("n.ini"), "[a]\nk=1\n[longest]\nk=2\n[empty]\n; nothing\n[mid]\nk=3\n");
    Reader reader(dir.file("n.ini").c_str());
    char buffers[5][8] = {};
    char* strings[5] = {buffers[0], buffers[1], buffers[2], buffers[3], buffers[4]};
    EXPECT_EQ(reader.state(nullptr, strings, 4, 7), "0 4 8");  // one too few for "longest"
    EXPECT_EQ(reader.state(nullptr, strings, 3, 8), "0 4 8");
    EXPECT_EQ(buffers[0][0], '\0');
    EXPECT_EQ(reader.state(nullptr, strings, 5, 8), "1 5 8");  // more than needed: succeeds, count stays
    EXPECT_EQ(std::vector<std::string>(strings, strings + 4),
              (std::vector<std::string>{"a", "longest", "empty", "mid"}));
    EXPECT_EQ(reader.SectionExists("empty"), 0);
    EXPECT_EQ(reader.state("empty", nullptr, 0, 0), "0 0 1");  // a real "too small" needs size 1
    EXPECT_EQ(reader.state("empty", nullptr, 0, 1), "1 0 1");
    char* withNull[2] = {buffers[0], nullptr};
    unsigned long count = 2, size = 4;
    EXPECT_EQ(reader.RetriveStrings("ab\0cde\0\0", 7, withNull, &count, &size), 0);
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

// Threads writing one file at once: each read-modify-write is serialised, so no write is lost.
TEST(IniReaderConcurrent, NoWriteIsLost) {
    TempDir dir;
    Reader reader(dir.file("shared.ini").c_str());
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t) {
        writers.emplace_back([&reader, t] {
            for (int i = 0; i < 20; ++i)
                EXPECT_NE(reader.SetKey("v", std::to_string(t * 100 + i).c_str(), "shared"), 0);
        });
    }
    for (std::thread& writer : writers) writer.join();
    EXPECT_EQ(reader.state("shared", nullptr, 0, 0), "0 80 6");
}

}  // namespace
