// The library carries viewer.tcl byte for byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/test_support.h"
#include "trace/viewer_script.h"

TEST(ViewerScript, IsTheViewerFileWithItsTerminator) {
    const std::string file = util_test::readFile(VIEWER_TCL_PATH);
    ASSERT_FALSE(file.empty()) << VIEWER_TCL_PATH;
    EXPECT_EQ(file.size(), std::strlen(viewer_script));
    EXPECT_EQ(file, std::string(viewer_script));
    EXPECT_EQ(viewer_script, viewer_script_pointer);
}
