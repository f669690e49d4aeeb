// util.dll carries the viewer script as a text resource too.
#include <gtest/gtest.h>

#include <string>

#include "platform/win_include.h"
#include "trace/viewer_script.h"

TEST(ViewerScript, IsATextResourceOfTheLibrary) {
    HMODULE library = GetModuleHandleA("util.dll");
    ASSERT_NE(nullptr, library);
    HRSRC resource = FindResourceA(library, "VIEWER_SCRIPT", "TEXT");
    ASSERT_NE(nullptr, resource);
    HGLOBAL loaded = LoadResource(library, resource);
    ASSERT_NE(nullptr, loaded);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    EXPECT_EQ(std::string(viewer_script), std::string(bytes, SizeofResource(library, resource)));
}
