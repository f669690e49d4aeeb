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
};

std::string inCurrentDirectory(const std::string& name) {
    return std::filesystem::current_path().string() + static_cast<char>(std::filesystem::path::preferred_separator) +
           name;
}

// The strings of a list call, made with the two-call protocol.
std::vector<std::string> list(Reader& reader, const char* section) {
    unsigned long count = 0, size = 0;
    const int first = section ? reader.GetSectionData(section, nullptr, &count, &size)
                              : reader.GetSectionNames(nullptr, &count, &size);
    if (first == 1) {
        return {};
    }
    EXPECT_GE(size, 1u);
    std::vector<std::vector<char>> storage(count, std::vector<char>(size, '#'));
    std::vector<char*> strings;
    for (auto& buffer : storage) {
        strings.push_back(buffer.data());
    }
    const int second = section ? reader.GetSectionData(section, strings.data(), &count, &size)
                               : reader.GetSectionNames(strings.data(), &count, &size);
    EXPECT_EQ(second, 1);
    return std::vector<std::string>(strings.begin(), strings.end());
}

TEST(IniReader, NamesAreFixedOnceAgainstTheCurrentDirectory) {
    TempDir dir;
    const std::string absolute = dir.file("a.ini");
    EXPECT_STREQ(Reader(absolute.c_str()).path(), absolute.c_str());
    for (const char* name : {"file.ini", "sub/dir.ini", "\\lead.ini", "x", ""}) {
        EXPECT_EQ(Reader(name).path(), inCurrentDirectory(name)) << name;
    }
    Reader unset;
    EXPECT_STREQ(unset.path(), "");
}

TEST(IniReader, PathsThatDoNotFitAreNotKept) {
    const std::size_t room = 511 - inCurrentDirectory("").size();
    const std::string fits(room, 'f');
    EXPECT_EQ(Reader(fits.c_str()).path(), inCurrentDirectory(fits));
    EXPECT_STREQ(Reader(std::string(room + 1, 'g').c_str()).path(), "");
    EXPECT_STREQ(Reader(("/" + std::string(600, 'h')).c_str()).path(), "");
    Reader reader("kept.ini");
    reader.SetINIFileName(nullptr);
    EXPECT_STREQ(reader.path(), "");
}

TEST(IniReader, WithoutAPathNothingIsTouched) {
    Reader reader;
    char buffer[8] = "junk";
    reader.GetKeyValue("k", "s", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(reader.SetKey("v", "k", "s"), 0);
    EXPECT_EQ(reader.SectionExists("s"), 0);
    unsigned long count = 0, size = 0;
    EXPECT_EQ(reader.GetSectionNames(nullptr, &count, &size), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(reader.GetSectionNames(nullptr, &count, &size), 1);
}

TEST(IniReader, CopiesShareThePath) {
    TempDir dir;
    Reader original(dir.file("one.ini").c_str());
    Reader copy(original);
    EXPECT_STREQ(copy.path(), original.path());
    Reader assigned;
    ZnIniReader& self = assigned = original;
    EXPECT_EQ(&self, &assigned);
    EXPECT_STREQ(assigned.path(), original.path());
    assigned = assigned;
    EXPECT_STREQ(assigned.path(), original.path());
}

TEST(IniReader, FileOperations) {
    TempDir dir;
    Reader reader(dir.file("client.ini").c_str());
    char value[32];
    reader.GetKeyValue("k", "s", value, sizeof value);
    EXPECT_STREQ(value, "");
    EXPECT_NE(reader.SetKey("443", "Port", "Network"), 0);  // creates the file
    EXPECT_NE(reader.SetKey("vpn", "Host", "Network"), 0);
    reader.GetKeyValue("port", "network", value, sizeof value);
    EXPECT_STREQ(value, "443");
    reader.GetKeyValue("Host", "Network", value, 3);
    EXPECT_STREQ(value, "vp");
    EXPECT_EQ(reader.SectionExists("NETWORK"), 1);
    EXPECT_EQ(reader.SectionExists("Absent"), 0);
    EXPECT_EQ(list(reader, "Network"), (std::vector<std::string>{"Port=443", "Host=vpn"}));
    EXPECT_NE(reader.SetKey(nullptr, "Port", "Network"), 0);
    EXPECT_EQ(list(reader, "Network"), (std::vector<std::string>{"Host=vpn"}));
    EXPECT_NE(reader.SetKey(nullptr, nullptr, "Network"), 0);
    EXPECT_EQ(reader.SectionExists("Network"), 0);
    Reader nowhere(dir.file("missing-dir/x.ini").c_str());
    EXPECT_EQ(nowhere.SetKey("v", "k", "s"), 0);
    EXPECT_FALSE(util_test::fileExists(dir.file("missing-dir")));
}

TEST(IniReader, SectionWithAHeaderOnly) {
    TempDir dir;
    util_test::writeFile(dir.file("h.ini"), "[empty]\n; nothing\n[full]\nk=v\n");
    Reader reader(dir.file("h.ini").c_str());
    EXPECT_EQ(reader.SectionExists("empty"), 0);
    EXPECT_EQ(reader.SectionExists("full"), 1);
    unsigned long count = 0, size = 0;
    EXPECT_EQ(reader.GetSectionData("empty", nullptr, &count, &size), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(size, 1u);
    EXPECT_EQ(reader.GetSectionData("empty", nullptr, &count, &size), 1);
    EXPECT_EQ(list(reader, nullptr), (std::vector<std::string>{"empty", "full"}));
}

TEST(IniReader, TwoCallProtocol) {
    TempDir dir;
    util_test::writeFile(dir.file("n.ini"), "[a]\nk=1\n[longest]\nk=2\n[mid]\nk=3\n");
    Reader reader(dir.file("n.ini").c_str());
    unsigned long count = 0, size = 99;
    EXPECT_EQ(reader.GetSectionNames(nullptr, &count, &size), 0);
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(size, 8u);
    char buffers[4][8];
    std::memset(buffers, '#', sizeof buffers);
    char* strings[4] = {buffers[0], buffers[1], buffers[2], buffers[3]};
    size = 7;  // one too few for "longest"
    EXPECT_EQ(reader.GetSectionNames(strings, &count, &size), 0);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(buffers[0][0], '#');
    count = 4;  // more than needed: succeeds, count stays
    EXPECT_EQ(reader.GetSectionNames(strings, &count, &size), 1);
    EXPECT_EQ(count, 4u);
    EXPECT_EQ(size, 8u);
    EXPECT_STREQ(buffers[0], "a");
    EXPECT_STREQ(buffers[1], "longest");
    EXPECT_STREQ(buffers[2], "mid");
    EXPECT_EQ(buffers[3][0], '#');
}

TEST(IniReader, LongListsGrowTheBuffer) {
    TempDir dir;
    std::string text;
    std::vector<std::string> expectedNames;
    for (int i = 0; i < 1000; ++i) {  // 13,000 bytes of names
        expectedNames.push_back("section_" + std::to_string(10000 + i).substr(1));
        text += "[" + expectedNames.back() + "]\nk=v\n";
    }
    std::vector<std::string> expectedLines;
    text += "[big]\n";
    for (int i = 0; i < 2000; ++i) {  // 40,000 bytes of lines: 8191, 16382, 32764, 65528
        expectedLines.push_back("key" + std::to_string(i) + "=value_" + std::to_string(i));
        text += expectedLines.back() + "\n";
    }
    expectedNames.push_back("big");
    util_test::writeFile(dir.file("long.ini"), text);
    Reader reader(dir.file("long.ini").c_str());
    EXPECT_EQ(list(reader, nullptr), expectedNames);
    EXPECT_EQ(list(reader, "big"), expectedLines);
}

TEST(IniReader, RetriveStringsSplitsTheList) {
    Reader reader;
    const char listText[] = "ab\0cde\0\0";
    char first[4], second[4];
    char* strings[2] = {first, second};
    unsigned long count = 2, size = 3;
    EXPECT_EQ(reader.RetriveStrings(listText, 7, strings, &count, &size), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(size, 4u);
    count = 1;
    EXPECT_EQ(reader.RetriveStrings(listText, 7, strings, &count, &size), 0);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(reader.RetriveStrings(listText, 7, strings, &count, &size), 1);
    EXPECT_STREQ(first, "ab");
    EXPECT_STREQ(second, "cde");
    char* withNull[2] = {first, nullptr};
    EXPECT_EQ(reader.RetriveStrings(listText, 7, withNull, &count, &size), 0);
    EXPECT_EQ(reader.RetriveStrings(listText, 7, nullptr, &count, &size), 0);
    EXPECT_EQ(reader.RetriveStrings(listText, 7, strings, nullptr, &size), 0);
    size = 0;
    EXPECT_EQ(reader.RetriveStrings(listText, 0, strings, &count, &size), 0);  // empty list needs size 1
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(size, 1u);
}

}  // namespace
