// How the POSIX profile functions store a write: the file is replaced whole,
// keeping its permission bits, and a symbolic link keeps pointing at it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "config/profile.h"
#include "support/test_support.h"

namespace {

using namespace util::config;

TEST(ProfileFilePosix, WriteKeepsModeAndLinks) {
    util_test::TempDir dir;
    const std::string target = dir.file("real.ini");
    const std::string link = dir.file("link.ini");
    util_test::writeFile(target, "; kept\n[s]\nk=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(profileWrite("s", "k", "2", link.c_str()), 1);
    struct stat info;
    ASSERT_EQ(lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(util_test::readFile(target), "; kept\n[s]\nk=2\n");
}

TEST(ProfileFilePosix, WhatCannotBeReadIsNotReplaced) {
    util_test::TempDir dir;
    EXPECT_EQ(profileWrite("s", "k", "v", dir.path().c_str()), 0);  // a directory
    EXPECT_EQ(profileWrite("s", "k", "v", ""), 0);
    EXPECT_EQ(profileWrite("s", "k", "v", nullptr), 0);
}

}  // namespace
