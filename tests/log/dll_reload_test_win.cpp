// Each load must release what it made (symbol handler session, log lock, TLS indexes) or a later load fails.
#include <gtest/gtest.h>

#include <string>

#include "platform/win_include.h"
#include "support/test_support.h"

TEST(UtilDllReload, LoadsAndUnloadsAThousandTimesInUse) {
    util_test::TempDir directory;
    const std::string logPath = directory.file("reload.log");
    for (int load = 0; load < 1000; ++load) {
        HMODULE plugin = LoadLibraryA("util_reload_plugin.dll");
        ASSERT_NE(nullptr, plugin) << "load " << load << ", error " << GetLastError();
        using Use = int (*)(const char*);
        const Use use = reinterpret_cast<Use>(reinterpret_cast<void*>(GetProcAddress(plugin, "useUtil")));
        ASSERT_TRUE(use != nullptr && use(logPath.c_str()) == 1) << "load " << load;
        ASSERT_TRUE(FreeLibrary(plugin));
        ASSERT_EQ(nullptr, GetModuleHandleA("util.dll")) << "util.dll stayed loaded after load " << load;
    }
    const std::string text = util_test::readFile(logPath);
    std::size_t records = 0;
    for (std::size_t at = 0; (at = text.find("loaded", at)) != std::string::npos; ++at) ++records;
    EXPECT_EQ(1000u, records);
}
