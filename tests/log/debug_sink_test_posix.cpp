// The POSIX platform sink: the system log by default, standard error when
// UTIL_DEBUG_OUTPUT=stderr. The sink reads the setting once, at its first text;
// this binary sends every other text to a capturing sink, so each forked child
// makes the choice afresh.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "log/debug_print.h"
#include "support/child_posix.h"
#include "support/test_support.h"

TEST(DebugSinkPosix, StandardErrorOnlyWhenAskedFor) {
    const char* const cases[][2] = {{"stderr", "child line 7\n"}, {nullptr, ""}, {"syslog", ""}};
    for (const auto& c : cases) {
        const char* value = c[0];
        util_test::TempDir directory;
        const std::string errorPath = directory.file("stderr.txt");
        EXPECT_EQ(util_test::runInChild([&] {
                      dup2(open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
                      util_test::setEnvironment("UTIL_DEBUG_OUTPUT", value);
                      return DbgPrint("child line %d\n", 7) == 13 ? 0 : 3;
                  }),
                  0);
        EXPECT_EQ(util_test::readFile(errorPath), c[1]) << (value != nullptr ? value : "unset");
    }
}
