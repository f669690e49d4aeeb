// util.dll loaded and unloaded a thousand times, in use between the loads: each
// load must release what it made (its symbol handler session, its log lock),
// or a later load fails. This binary does not link util.dll: the plug-in does.
#include <gtest/gtest.h>

#include <string>

#include "platform/win_include.h"
#include "support/test_support.h"

TEST(UtilDllReload, LoadsAndUnloadsAThousandTimesInUse) {
    util_test::TempDir directory;
    const std::string logPath = directory.file("reload.log");
    const int kLoads = 1000;
    for (int load = 0; load < kLoads; ++load) {
        HMODULE plugin = LoadLibraryA("util_reload_plugin.dll");
        ASSERT_NE(nullptr, plugin) << "load " << load << ", error " << GetLastError();
        using Use = int (*)(const char*);
        const Use use = reinterpret_cast<Use>(reinterpret_cast<void*>(GetProcAddress(plugin, "useUtil")));
        ASSERT_NE(nullptr, use);
        ASSERT_EQ(1, use(logPath.c_str())) << "load " << load;
        ASSERT_TRUE(FreeLibrary(plugin));
        ASSERT_EQ(nullptr, GetModuleHandleA("util.dll")) << "util.dll stayed loaded after load " << load;
    }
    const std::string text = util_test::readFile(logPath);
    std::size_t records = 0;
    for (std::size_t at = text.find("loaded"); at != std::string::npos; at = text.find("loaded", at + 1)) {
        ++records;
    }
    EXPECT_EQ(static_cast<std::size_t>(kLoads), records);
}
