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

    const char *serial = nullptr, *model = nullptr, *reader = nullptr;
    getHardDriveComputerIDTexts(&serial, &model, &reader);
    ASSERT_TRUE(serial != nullptr && model != nullptr && reader != nullptr);
    if (*reader == '\0') {
        EXPECT_TRUE(*serial == '\0' && *model == '\0');
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
