// The Windows drive readers over the stand-in devices: the exact requests each
// sends, how each reads its replies, and which drive the computation chooses.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_drive_devices.h"
#include "identity/drive_store.h"

namespace {

using namespace util::identity;
using namespace identity_test;

std::string physicalDrive(int number) { return "\\\\.\\PhysicalDrive" + std::to_string(number); }
std::string scsiPort(int number) { return "\\\\.\\Scsi" + std::to_string(number) + ":"; }
const char kLegacyDriver[] = "\\\\.\\IDE21201.VXD";

Bytes versionReply(unsigned char deviceMap) {
    Bytes reply(24, 0);
    reply[3] = deviceMap;
    return reply;
}

// A storage descriptor with each text at its offset (left out when it does not
// fit), the offsets in their little-endian fields.
Bytes descriptorReply(std::uint32_t serialOffset, const std::string& serial, std::uint32_t modelOffset,
                      const std::string& model) {
    Bytes reply(10000, 0);
    std::memcpy(&reply[24], &serialOffset, 4);
    std::memcpy(&reply[16], &modelOffset, 4);
    if (serialOffset + serial.size() <= 10000) std::copy(serial.begin(), serial.end(), reply.begin() + serialOffset);
    if (modelOffset + model.size() <= 10000) std::copy(model.begin(), model.end(), reply.begin() + modelOffset);
    return reply;
}

class DeviceReaders : public ::testing::Test {
protected:
    void SetUp() override { computeHardDriveComputerID(nullptr); }  // empty texts, no source
    FakeDriveDevices devices;
};

TEST_F(DeviceReaders, SmartAsksEachDriveAndReadsIdentifyFromByte16) {
    devices.reply(physicalDrive(1), kSmartGetVersion, versionReply(0x20));  // bit 5: drive 1 is ATAPI
    devices.reply(physicalDrive(1), kSmartReceiveDriveData, identifyBytes("SMART1", "WDC WD800", 16));
    devices.reply(physicalDrive(2), kSmartGetVersion, versionReply(0));     // no IDE device at all
    devices.reply(physicalDrive(3), kSmartGetVersion);                      // the query fails
    devices.reply(physicalDrive(4), kSmartGetVersion, versionReply(0xFF));  // bit 8 lies outside
    devices.reply(physicalDrive(4), kSmartReceiveDriveData, identifyBytes("SMART4", "IBM-X", 16));
    readDrivesBySmart(devices);

    ASSERT_EQ(devices.opens.size(), 16u);
    EXPECT_EQ(devices.opens[15], physicalDrive(15) + " c0000000 3 3 0");
    // cBufferSize 512, one sector, the drive's head, (ATAPI) identify, bDriveNumber; drives 2 and 3 get none.
    EXPECT_EQ(
        devices.controls,
        (Lines{physicalDrive(1) + " 74080 [0:] 24", physicalDrive(1) + " 7c088 [32: 1=2 5=1 9=b0 a=a1 c=1] 528",
               physicalDrive(2) + " 74080 [0:] 24", physicalDrive(3) + " 74080 [0:] 24",
               physicalDrive(4) + " 74080 [0:] 24", physicalDrive(4) + " 7c088 [32: 1=2 5=1 9=a0 a=ec c=4] 528"}));
    EXPECT_STREQ(driveSerialText, "SMART1");
    EXPECT_STREQ(driveModelText, "WDC WD800");
    EXPECT_EQ(devices.events, (Lines{"close " + physicalDrive(1), "close " + physicalDrive(2),
                                     "close " + physicalDrive(3), "close " + physicalDrive(4)}));
}

TEST_F(DeviceReaders, ScsiMiniportSendsTheSrbHeaderAndNeedsTheModelByte) {
    Bytes withoutModel = identifyBytes("NOMODEL", "WDC X", 44);
    withoutModel[98] = 0;  // byte 54 of the identify data
    devices.reply(scsiPort(0), kScsiMiniport, withoutModel);
    devices.reply(scsiPort(0), kScsiMiniport, identifyBytes("SCSI0B", "Maxtor 6Y", 44));
    devices.reply(scsiPort(2), kScsiMiniport, identifyBytes("SCSI2A", "WDC Y", 44));
    readDrivesByScsiMiniport(devices);

    ASSERT_EQ(devices.opens.size(), 16u);
    EXPECT_EQ(devices.opens[15], "\\\\.\\Scsi15: c0000000 3 3 0");
    // HeaderLength 28, "SCSIDISK", Timeout 10000, ControlCode, Length 529, IDENTIFY, bDriveNumber.
    const std::string request =
        " 4d008 [60: 0=1c 4=53 5=43 6=53 7=49 8=44 9=49 a=53 b=4b c=10 d=27 10=1 11=5 12=1b "
        "18=11 19=2 26=ec";
    EXPECT_EQ(devices.controls, (Lines{scsiPort(0) + request + "] 557", scsiPort(0) + request + " 28=1] 557",
                                       scsiPort(2) + request + "] 557", scsiPort(2) + request + " 28=1] 557"}));
    EXPECT_EQ(devices.events, (Lines{"close " + scsiPort(0), "close " + scsiPort(2)}));
    EXPECT_STREQ(driveSerialText, "SCSI0B");
    EXPECT_STREQ(driveModelText, "Maxtor 6Y");
}

TEST_F(DeviceReaders, StorageQueryNeverReadsPastTheReplyAndFallsBackToTheMediaSerial) {
    devices.reply(physicalDrive(0), kStorageQueryProperty, descriptorReply(0xFFFFFFF0u, "", 10000, ""));
    // Texts that run to the very end of the reply without a terminator.
    devices.reply(physicalDrive(1), kStorageQueryProperty, descriptorReply(9996, "4141", 9980, std::string(16, 'M')));
    readDrivesByStorageQuery(devices);
    EXPECT_STREQ(driveSerialText, "AA");
    EXPECT_STREQ(driveModelText, "MMMMMMMMMMMMMMMM4141");
    EXPECT_EQ(devices.opens[0], physicalDrive(0) + " 0 3 3 0");
    const std::string query = " 2d1400 [12:] 10000", media = " 2d0c10 [0:] 10000";
    EXPECT_EQ(devices.controls, (Lines{physicalDrive(0) + query, physicalDrive(0) + media, physicalDrive(1) + query,
                                       physicalDrive(1) + media}));

    // No descriptor serial: the media serial sets the serial alone.
    computeHardDriveComputerID(nullptr);
    std::strcpy(driveModelText, "KEPT");
    devices.reply(physicalDrive(2), kStorageQueryProperty, descriptorReply(0, "", 200, "Some Model"));
    Bytes media9(16, 0);
    media9.insert(media9.end(), {'M', 'E', 'D', 'I', 'A', '9'});
    devices.reply(physicalDrive(2), kStorageGetMediaSerialNumber, media9);
    readDrivesByStorageQuery(devices);
    EXPECT_STREQ(driveSerialText, "MEDIA9");
    EXPECT_STREQ(driveModelText, "KEPT");
}

TEST_F(DeviceReaders, MissingLegacyDriverShowsTheBoxOnEachOfTenAttempts) {
    devices.platform = 1;
    readDrivesForPlatform(devices);
    EXPECT_EQ(devices.opens, Lines(10, std::string(kLegacyDriver) + " 0 0 0 4000000"));
    const std::string message = "message ERROR: Could not open IDE21201.VXD file | Quillo32 | 16";
    Lines expected;
    for (int attempt = 0; attempt < 10; ++attempt)
        expected.insert(expected.end(), {"priority 256", message, "priority 32"});
    EXPECT_EQ(devices.events, expected);
    EXPECT_STREQ(driveTextSource(), "");
}

TEST_F(DeviceReaders, LegacyDriverNeedsDriveAndChannelAndCountsADriveHandedOnEvenWhenRejected) {
    struct Case {
        unsigned long platform;  // 0: a failed version query counts as "not NT"
        int drive;               // present, with its channel
        const char *serial, *model;
    };
    for (const Case& each : {Case{1, 1, "LEGACY1", "IBM-DTLA"}, Case{0, 0, "", "WDC Q"}}) {
        computeHardDriveComputerID(nullptr);
        FakeDriveDevices legacy;
        legacy.platform = each.platform;
        LegacyDriveInfo info = {};
        info.channelPresent[0] = info.channelPresent[3] = 1;
        info.drivePresent[each.drive] = info.drivePresent[2] = info.drivePresent[7] = 1;  // 2: channel 1 absent
        const Bytes drive = identifyBytes(each.serial, each.model), hidden = identifyBytes("HIDDEN", "WDC Z");
        std::copy(drive.begin(), drive.end(), info.identifyData[each.drive]);
        std::copy(hidden.begin(), hidden.end(), info.identifyData[2]);
        const unsigned char* raw = reinterpret_cast<const unsigned char*>(&info);
        legacy.reply(kLegacyDriver, 1, Bytes(raw, raw + sizeof info));
        readDrivesForPlatform(legacy);

        EXPECT_EQ(legacy.opens.size(), 1u);  // a drive was handed on, so no second attempt
        EXPECT_EQ(legacy.controls, Lines{std::string(kLegacyDriver) + " 1 [0:] 4108"});
        EXPECT_EQ(legacy.events, (Lines{"priority 256", std::string("close ") + kLegacyDriver, "priority 32"}));
        EXPECT_STREQ(driveSerialText, each.serial);
        EXPECT_STREQ(driveModelText, *each.serial ? each.model : "");
        EXPECT_STREQ(driveTextSource(), *each.serial ? "legacy driver" : "");
    }
}

TEST_F(DeviceReaders, FirstReaderInOrderWinsButAllReadersRun) {
    struct Expectation {
        bool smart, scsi;
        const char *serial, *source;
    };
    for (const Expectation& expectation :
         {Expectation{true, true, "SMART3", "smart"}, Expectation{false, true, "SCSI0", "scsi miniport"},
          Expectation{false, false, "ZK", "storage query"}}) {
        computeHardDriveComputerID(nullptr);
        FakeDriveDevices fake;
        if (expectation.smart) {
            fake.reply(physicalDrive(3), kSmartGetVersion, versionReply(1));
            fake.reply(physicalDrive(3), kSmartReceiveDriveData, identifyBytes("SMART3", "A", 16));
        }
        if (expectation.scsi) fake.reply(scsiPort(0), kScsiMiniport, identifyBytes("SCSI0", "B", 44));
        fake.reply(physicalDrive(0), kStorageQueryProperty, descriptorReply(100, "4B5A", 200, "ST3500 "));
        readDrivesForPlatform(fake);
        EXPECT_STREQ(driveSerialText, expectation.serial);
        EXPECT_STREQ(driveTextSource(), expectation.source);
        EXPECT_NE(fake.controls.back().find(" 2d0c10 "), std::string::npos);
        for (const auto& open : fake.opens) EXPECT_EQ(open.find(kLegacyDriver), std::string::npos);
    }
    EXPECT_STREQ(driveModelText, "ST3500 ");  // the product id is not trimmed
}

// A blank serial (rejected), then two acceptable drives.
void readThreeDrives() {
    for (const auto& words : {identifyWords("", "IBM-BLANK"), identifyWords("WD-WCAV1234", "WDC WD800"),
                              identifyWords("LATER", "IBM-LATER")}) {
        storeDriveIdentity(words.data());
    }
}
void readNoDrive() {}

TEST(Computation, ClearsBothTextsAndKeepsTheFirstAcceptedDrive) {
    EXPECT_EQ(computeHardDriveComputerID(readThreeDrives), 501311234);
    EXPECT_STREQ(driveSerialText, "WD-WCAV1234");
    EXPECT_STREQ(driveModelText, "WDC WD800");
    // A computation that accepts no drive does not reuse the model left behind.
    EXPECT_EQ(computeHardDriveComputerID(readNoDrive), 600000000);
    EXPECT_STREQ(driveModelText, "");
    // Texts handed on directly: refused when not acceptable or when a drive was taken.
    EXPECT_FALSE(storeDriveTexts(" LEAD", "M"));
    EXPECT_TRUE(storeDriveTexts("FIRST", nullptr));
    EXPECT_FALSE(storeDriveTexts("SECOND", "M"));
    EXPECT_STREQ(driveSerialText, "FIRST");
}

}  // namespace
