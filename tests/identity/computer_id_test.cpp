// getHardDriveComputerID through the shared library, on whatever drives this
// machine (or Wine) has: the result agrees with the texts it reports.
#include <gtest/gtest.h>

#include "identity/computer_id.h"

namespace {

TEST(ComputerId, IsStableAndAgreesWithItsTexts) {
    const long identifier = getHardDriveComputerID();
    EXPECT_EQ(getHardDriveComputerID(), identifier);
    const char *serial = nullptr, *model = nullptr, *reader = nullptr;
    getHardDriveComputerIDTexts(&serial, &model, &reader);
    ASSERT_TRUE(serial != nullptr && model != nullptr && reader != nullptr);
    EXPECT_EQ(*reader == '\0', *serial == '\0');
    EXPECT_TRUE(*reader != '\0' || (*model == '\0' && identifier == 600000000L));  // no drive: the vendor offset alone
    EXPECT_TRUE(identifier >= 200000001L && identifier <= 699999999L);
    getHardDriveComputerIDTexts(nullptr, nullptr, nullptr);  // null arguments are allowed
}

}  // namespace
