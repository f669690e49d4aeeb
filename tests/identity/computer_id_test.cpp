// getHardDriveComputerID through the shared library, on whatever drives this
// machine (or Wine) has: the result agrees with the texts it reports.
#include <gtest/gtest.h>

#include <string>

#include "identity/computer_id.h"

namespace {

TEST(ComputerId, IsStableAndAgreesWithItsTexts) {
    const long identifier = getHardDriveComputerID();
    EXPECT_GE(identifier, 200000001L);
    EXPECT_LE(identifier, 699999999L);
    EXPECT_EQ(getHardDriveComputerID(), identifier);

    const char* serial = nullptr;
    const char* model = nullptr;
    const char* reader = nullptr;
    getHardDriveComputerIDTexts(&serial, &model, &reader);
    ASSERT_TRUE(serial != nullptr && model != nullptr && reader != nullptr);
    if (std::string(reader).empty()) {
        EXPECT_STREQ(serial, "");
        EXPECT_STREQ(model, "");
        EXPECT_EQ(identifier, 600000000L);  // the vendor offset alone
    } else {
        EXPECT_STRNE(serial, "");
        if (std::string(serial).size() < 19) {
            EXPECT_GE(identifier, 300000000L);  // a short serial cannot wrap the fold negative
        }
    }
    getHardDriveComputerIDTexts(nullptr, nullptr, nullptr);  // null arguments are allowed
}

}  // namespace
