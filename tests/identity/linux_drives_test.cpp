// The Linux readers on a sysfs tree laid out by the test: which entries count as
// fixed disks, in which order, and how their serial and model texts are read.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "fake_drive_devices.h"
#include "identity/drive_store.h"
#include "identity/drive_text.h"
#include "identity/linux_drives.h"
#include "support/test_support.h"

namespace {

using namespace util::identity;
using util_test::TempDir;
using util_test::writeFile;

class LinuxDrives : public ::testing::Test {
protected:
    void SetUp() override {
        computeHardDriveComputerID(nullptr);
        block = root.file("block");
        makeDisk("sdb", "");
        writeFile(block + "/sdb/device/model", "WDC WD800JD-75MS\n");
        writeFile(block + "/sdb/device/vpd_pg80", std::string("\x00\x80\x00\x0E", 4) + "WD-WCAV1234   ");
        makeDisk("sda", "1\n");           // removable
        makeDirectory(block + "/loop0");  // no device behind it
        makeDisk("vda", "0\n");
        writeFile(block + "/vda/serial", "SERIALV\n");
        makeDisk("nvme0n1", "0\n");
        writeFile(block + "/nvme0n1/device/serial", "  S4EV12  \n");
        writeFile(block + "/nvme0n1/device/model", "Samsung SSD 970 EVO     \n");
    }

    void makeDirectory(const std::string& path) { ASSERT_TRUE(std::filesystem::create_directories(path)); }
    void makeDisk(const std::string& name, const std::string& removable) {
        makeDirectory(block + "/" + name + "/device");
        if (!removable.empty()) writeFile(block + "/" + name + "/removable", removable);
    }

    TempDir root;
    std::string block;
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
    // A unit serial page whose length claims more than it holds, and one of the wrong kind.
    writeFile(block + "/sdb/device/vpd_pg80", std::string("\x00\x80\xFF\xFF", 4) + "ZX9");
    readSysfsDiskTexts(block + "/sdb", serial, model);
    EXPECT_EQ(serial, "ZX9");
    writeFile(block + "/sdb/device/vpd_pg80", std::string("\x00\x83\x00\x03", 4) + "ZX9");
    readSysfsDiskTexts(block + "/sdb", serial, model);
    EXPECT_EQ(serial, "");
}

int openDescriptors() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) count += entry.exists() ? 1 : 0;
    return count;
}

// Every attribute file it opens is closed again (a long-running client reads
// the identifier many times).
TEST_F(LinuxDrives, SysfsReaderTakesTheFirstAcceptableDiskAndClosesWhatItOpens) {
    const int before = openDescriptors();
    // nvme0n1 comes first but "  S4EV12" fails the acceptance test.
    readDrivesBySysfs(block);
    EXPECT_EQ(before, openDescriptors());
    EXPECT_STREQ(driveSerialText, "WD-WCAV1234");
    EXPECT_STREQ(driveModelText, "WDC WD800JD-75MS");
}

TEST_F(LinuxDrives, AtaReaderSendsNothingToFilesThatAreNotBlockDevices) {
    const std::string devices = root.file("dev");
    makeDirectory(devices);
    for (const char* name : {"nvme0n1", "sdb", "vda"}) {
        writeFile(devices + "/" + name, std::string(512, 'A'));
    }
    readDrivesByAtaIdentify(block, devices);
    EXPECT_STREQ(driveSerialText, "");
}

// One disk read three ways: the raw identify reply of the pass-through route, the
// same reply as HDIO_GET_IDENTITY hands it back (host-order words, text fields in
// character order, as the kernel lays them out) and the storage layer's texts.
TEST_F(LinuxDrives, TheThreeRoutesOverOneDiskGiveTheSameTextsAndIdentifier) {
    const identity_test::Bytes raw = identity_test::identifyBytes("WD-WCAV1234", "WDC WD800JD-75MS");
    unsigned char kernel[kIdentifyByteCount];
    for (int index = 0; index < kIdentifyWordCount; ++index) {
        const std::uint16_t word = static_cast<std::uint16_t>(raw[2 * index] | raw[2 * index + 1] << 8);
        const bool text = (index >= 10 && index <= 19) || (index >= 23 && index <= 46);
        if (text) {
            kernel[2 * index] = static_cast<unsigned char>(word >> 8);
            kernel[2 * index + 1] = static_cast<unsigned char>(word);
        } else {
            std::memcpy(kernel + 2 * index, &word, sizeof word);
        }
    }
    const std::uint16_t capabilities = 0x0F00;  // a number field keeps its value
    std::memcpy(kernel + 2 * 49, &capabilities, sizeof capabilities);

    std::uint32_t passThrough[kIdentifyWordCount], ioctlWords[kIdentifyWordCount];
    widenIdentifyBytes(raw.data(), passThrough);
    widenKernelIdentifyReply(kernel, ioctlWords);
    EXPECT_EQ(ioctlWords[49], 0x0F00u);
    struct Route {
        const char* name;
        std::string serial, model;
        long identifier;
    };
    std::vector<Route> routes;
    for (const auto* words : {passThrough, ioctlWords}) {
        computeHardDriveComputerID(nullptr);
        storeDriveIdentity(words);
        routes.push_back({words == passThrough ? "pass-through" : "ioctl", driveSerialText, driveModelText,
                          identifierFromTexts(driveSerialText, driveModelText)});
    }
    computeHardDriveComputerID(nullptr);
    readDrivesBySysfs(block);
    routes.push_back({"sysfs", driveSerialText, driveModelText, identifierFromTexts(driveSerialText, driveModelText)});
    for (const Route& route : routes) {
        EXPECT_EQ(route.serial, "WD-WCAV1234") << route.name;
        EXPECT_EQ(route.model, "WDC WD800JD-75MS") << route.name;
        EXPECT_EQ(route.identifier, 501311234L) << route.name;
    }
}

}  // namespace
