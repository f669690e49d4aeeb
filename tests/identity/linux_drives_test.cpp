// The Linux readers on a sysfs tree laid out by the test: which entries count as
// fixed disks, in which order, and how their serial and model texts are read.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "identity/drive_store.h"
#include "identity/drive_text.h"
#include "identity/linux_drives.h"
#include "support/test_support.h"

namespace {

using namespace util::identity;
using util_test::writeFile;

class LinuxDrives : public ::testing::Test {
protected:
    void SetUp() override {
        computeHardDriveComputerID(nullptr);
        makeDisk("sdb", "");
        writeFile(block + "/sdb/device/model", "WDC WD800JD-75MS\n");
        // A unit serial page whose length claims more than it holds.
        writeFile(block + "/sdb/device/vpd_pg80", std::string("\x00\x80\xFF\xFF", 4) + "WD-WCAV1234   ");
        makeDisk("sda", "1\n");                                              // removable
        ASSERT_TRUE(std::filesystem::create_directories(block + "/loop0"));  // no device behind it
        makeDisk("vda", "0\n");
        writeFile(block + "/vda/serial", "SERIALV\n");
        makeDisk("nvme0n1", "0\n");
        writeFile(block + "/nvme0n1/device/serial", "  S4EV12  \n");
        writeFile(block + "/nvme0n1/device/model", "Samsung SSD 970 EVO     \n");
    }
    void makeDisk(const std::string& name, const std::string& removable) {
        ASSERT_TRUE(std::filesystem::create_directories(block + "/" + name + "/device"));
        if (!removable.empty()) writeFile(block + "/" + name + "/removable", removable);
    }

    util_test::TempDir root;
    const std::string block = root.file("block");
};

TEST_F(LinuxDrives, ListsFixedDisksWithADeviceInNameOrderAndReadsTheirTexts) {
    EXPECT_EQ(listFixedDisks(block), (std::vector<std::string>{"nvme0n1", "sdb", "vda"}));
    EXPECT_TRUE(listFixedDisks(root.file("missing")).empty());
    struct Disk {
        const char *name, *serial, *model;
    };
    std::string serial, model;
    for (const Disk& disk : {Disk{"sdb", "WD-WCAV1234", "WDC WD800JD-75MS"}, Disk{"vda", "SERIALV", ""},
                             Disk{"nvme0n1", "  S4EV12", "Samsung SSD 970 EVO"}}) {  // leading blanks stay
        readSysfsDiskTexts(block + "/" + disk.name, serial, model);
        EXPECT_TRUE(serial == disk.serial && model == disk.model) << disk.name << ": " << serial << " | " << model;
    }
    // A unit serial page of the wrong kind.
    writeFile(block + "/sdb/device/vpd_pg80", std::string("\x00\x83\x00\x03", 4) + "ZX9");
    readSysfsDiskTexts(block + "/sdb", serial, model);
    EXPECT_EQ(serial, "");
}

long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
}

// Every file they open is closed again (a long-running client reads the
// identifier many times); identify requests go to block devices only.
TEST_F(LinuxDrives, ReadersTakeTheFirstAcceptableDiskAndCloseWhatTheyOpen) {
    for (const char* name : {"nvme0n1", "sdb", "vda"}) writeFile(root.file(name), std::string(512, 'A'));
    const long before = openDescriptors();
    readDrivesByAtaIdentify(block, root.path());
    EXPECT_STREQ(driveSerialText, "");
    readDrivesBySysfs(block);  // nvme0n1 comes first but "  S4EV12" fails the acceptance test
    EXPECT_EQ(before, openDescriptors());
    EXPECT_STREQ(driveSerialText, "WD-WCAV1234");
    EXPECT_STREQ(driveModelText, "WDC WD800JD-75MS");
}

// This machine: when a fixed disk has an acceptable serial in sysfs, a drive is chosen.
TEST(LinuxDrivesHere, ADiskWithAnAcceptableSysfsSerialIsChosen) {
    bool acceptable = false;
    for (const std::string& disk : listFixedDisks("/sys/block")) {
        std::string serial, model;
        readSysfsDiskTexts("/sys/block/" + disk, serial, model);
        acceptable = acceptable || serialTextIsAcceptable(serial.c_str());
    }
    computeHardDriveComputerID(readAllDrives);
    EXPECT_TRUE(!acceptable || *driveSerialText != '\0');
}

}  // namespace
