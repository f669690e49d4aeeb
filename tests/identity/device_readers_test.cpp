// The Windows drive readers over the stand-in devices: the exact requests each
// sends, how each reads its replies, and which drive the computation chooses.
#include <gtest/gtest.h>

#include <algorithm>
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
    return Bytes{0, 0, 0, deviceMap, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
}

// An identify reply behind `header` zero bytes, padded with zeros to `size`.
Bytes identifyReply(std::size_t header, std::size_t size, const std::string& serial, const std::string& model) {
    Bytes reply(header, 0), identify = identifyBytes(serial, model);
    reply.insert(reply.end(), identify.begin(), identify.end());
    reply.resize(size, 0);
    return reply;
}
Bytes smartReply(const std::string& serial, const std::string& model) { return identifyReply(16, 528, serial, model); }
Bytes miniportReply(const std::string& serial, const std::string& model) {
    return identifyReply(44, 557, serial, model);
}

// A storage descriptor of 10000 bytes with each text at its offset (left out when
// it does not fit), the offsets in their little-endian fields.
Bytes descriptorReply(std::uint32_t serialOffset, const std::string& serial, std::uint32_t modelOffset,
                      const std::string& model) {
    Bytes reply(10000, 0);
    for (const auto& field : {std::make_pair(24u, serialOffset), std::make_pair(16u, modelOffset)}) {
        std::memcpy(&reply[field.first], &field.second, 4);
    }
    for (const auto& text : {std::make_pair(serialOffset, serial), std::make_pair(modelOffset, model)}) {
        if (text.first + text.second.size() <= reply.size()) {
            std::copy(text.second.begin(), text.second.end(), reply.begin() + text.first);
        }
    }
    return reply;
}

class DeviceReaders : public ::testing::Test {
protected:
    void SetUp() override { computeHardDriveComputerID(nullptr); }  // empty texts, no source
    FakeDriveDevices devices;
};

TEST_F(DeviceReaders, SmartAsksEachDriveAndReadsIdentifyFromByte16) {
    devices.present = {physicalDrive(1), physicalDrive(2), physicalDrive(3), physicalDrive(4)};
    devices.reply(physicalDrive(1), kSmartGetVersion, versionReply(0x20));  // bit 5: drive 1 is ATAPI
    devices.reply(physicalDrive(1), kSmartReceiveDriveData, smartReply("SMART1", "WDC WD800"));
    devices.reply(physicalDrive(2), kSmartGetVersion, versionReply(0));     // no IDE device at all
    devices.reply(physicalDrive(4), kSmartGetVersion, versionReply(0xFF));  // bit 8 lies outside
    devices.reply(physicalDrive(4), kSmartReceiveDriveData, smartReply("SMART4", "IBM-X"));
    readDrivesBySmart(devices);

    ASSERT_EQ(devices.opens.size(), 16u);
    for (int drive = 0; drive < 16; ++drive) {
        const auto& open = devices.opens[drive];
        EXPECT_TRUE(open.path == physicalDrive(drive) && open.access == 0xC0000000u && open.sharing == 3 &&
                    open.creation == 3 && open.flags == 0)
            << "drive " << drive;
    }
    const auto first = devices.controlsOn(physicalDrive(1));
    ASSERT_EQ(first.size(), 2u);
    EXPECT_TRUE(first[0].code == 0x74080u && first[0].input.empty() && first[0].outputLength == 24u);
    EXPECT_EQ(first[1].code, 0x7C088u);
    // cBufferSize 512, one sector, an odd drive's head, ATAPI identify, bDriveNumber 1.
    Bytes expected = {0, 0x02, 0, 0, 0, 1, 0, 0, 0, 0xB0, 0xA1, 0, 1};
    expected.resize(32, 0);
    EXPECT_EQ(first[1].input, expected);
    EXPECT_EQ(first[1].outputLength, 528u);
    EXPECT_TRUE(first[0].outputZeroed && first[1].outputZeroed);
    EXPECT_EQ(devices.controlsOn(physicalDrive(2)).size(), 1u);  // map 0: no identify
    EXPECT_EQ(devices.controlsOn(physicalDrive(3)).size(), 1u);  // version failed: no identify
    const auto fourth = devices.controlsOn(physicalDrive(4));
    ASSERT_EQ(fourth.size(), 2u);
    EXPECT_TRUE(fourth[1].input[9] == 0xA0 && fourth[1].input[10] == 0xEC && fourth[1].input[12] == 4);

    EXPECT_STREQ(driveSerialText, "SMART1");
    EXPECT_STREQ(driveModelText, "WDC WD800");
    EXPECT_EQ(devices.events, (std::vector<std::string>{"close " + physicalDrive(1), "close " + physicalDrive(2),
                                                        "close " + physicalDrive(3), "close " + physicalDrive(4)}));
}

TEST_F(DeviceReaders, ScsiMiniportSendsTheSrbHeaderAndNeedsTheModelByte) {
    devices.present = {scsiPort(0), scsiPort(2)};
    Bytes withoutModel = miniportReply("NOMODEL", "WDC X");
    withoutModel[98] = 0;  // byte 54 of the identify data
    devices.reply(scsiPort(0), kScsiMiniport, withoutModel);
    devices.reply(scsiPort(0), kScsiMiniport, miniportReply("SCSI0B", "Maxtor 6Y"));
    devices.reply(scsiPort(2), kScsiMiniport, miniportReply("SCSI2A", "WDC Y"));
    readDrivesByScsiMiniport(devices);

    ASSERT_EQ(devices.opens.size(), 16u);
    EXPECT_TRUE(devices.opens[15].path == "\\\\.\\Scsi15:" && devices.opens[15].access == 0xC0000000u);
    const auto requests = devices.controlsOn(scsiPort(0));
    ASSERT_EQ(requests.size(), 2u);
    for (int drive = 0; drive < 2; ++drive) {
        Bytes expected = {28, 0, 0,    0,    'S',  'C', 'S', 'I', 'D', 'I', 'S',  'K',  0x10, 0x27,
                          0,  0, 0x01, 0x05, 0x1B, 0,   0,   0,   0,   0,   0x11, 0x02, 0,    0};
        expected.resize(60, 0);
        expected[38] = 0xEC;
        expected[40] = static_cast<unsigned char>(drive);
        EXPECT_EQ(requests[drive].input, expected);
        EXPECT_TRUE(requests[drive].code == 0x4D008u && requests[drive].outputLength == 557u &&
                    requests[drive].outputZeroed);
    }
    EXPECT_EQ(devices.events, (std::vector<std::string>{"close " + scsiPort(0), "close " + scsiPort(2)}));
    EXPECT_STREQ(driveSerialText, "SCSI0B");
    EXPECT_STREQ(driveModelText, "Maxtor 6Y");
}

TEST_F(DeviceReaders, StorageQueryDecodesTheDescriptorThenAsksForTheMediaSerial) {
    devices.present = {physicalDrive(0)};
    devices.reply(physicalDrive(0), kStorageQueryProperty, descriptorReply(100, "4B5A", 200, "ST3500 "));
    readDrivesByStorageQuery(devices);

    EXPECT_TRUE(devices.opens[0].access == 0 && devices.opens[0].sharing == 3);
    const auto requests = devices.controlsOn(physicalDrive(0));
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].code == 0x2D1400u && requests[0].input == Bytes(12, 0));
    EXPECT_TRUE(requests[1].code == 0x2D0C10u && requests[1].input.empty());
    for (const auto& request : requests) {  // zero-filled again before the second request
        EXPECT_TRUE(request.outputLength == 10000u && request.outputZeroed);
    }
    EXPECT_STREQ(driveSerialText, "ZK");
    EXPECT_STREQ(driveModelText, "ST3500 ");  // the product id is not trimmed
}

TEST_F(DeviceReaders, StorageQueryNeverReadsPastTheReplyAndFallsBackToTheMediaSerial) {
    devices.present = {physicalDrive(0), physicalDrive(1), physicalDrive(2)};
    devices.reply(physicalDrive(0), kStorageQueryProperty, descriptorReply(0xFFFFFFF0u, "", 10000, ""));
    // Texts that run to the very end of the reply without a terminator.
    devices.reply(physicalDrive(1), kStorageQueryProperty, descriptorReply(9996, "4141", 9980, std::string(16, 'M')));
    readDrivesByStorageQuery(devices);
    EXPECT_STREQ(driveSerialText, "AA");
    EXPECT_STREQ(driveModelText, "MMMMMMMMMMMMMMMM4141");

    // No descriptor serial: the media serial sets the serial alone.
    computeHardDriveComputerID(nullptr);
    std::strcpy(driveModelText, "KEPT");
    devices.reply(physicalDrive(2), kStorageQueryProperty, descriptorReply(0, "", 200, "Some Model"));
    Bytes media(16, 0);
    media.insert(media.end(), {'M', 'E', 'D', 'I', 'A', '9'});
    devices.reply(physicalDrive(2), kStorageGetMediaSerialNumber, media);
    readDrivesByStorageQuery(devices);
    EXPECT_STREQ(driveSerialText, "MEDIA9");
    EXPECT_STREQ(driveModelText, "KEPT");
}

TEST_F(DeviceReaders, MissingLegacyDriverShowsTheBoxOnEachOfTenAttempts) {
    devices.platform = 1;
    readDrivesForPlatform(devices);
    ASSERT_EQ(devices.opens.size(), 10u);
    const auto& open = devices.opens[0];
    EXPECT_TRUE(open.path == kLegacyDriver && open.access == 0 && open.sharing == 0 && open.creation == 0 &&
                open.flags == 0x4000000u);
    const std::string message = "message ERROR: Could not open IDE21201.VXD file | Quillo32 | 16";
    std::vector<std::string> expected;
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
        legacy.present = {kLegacyDriver};
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
        ASSERT_EQ(legacy.controls.size(), 1u);
        EXPECT_TRUE(legacy.controls[0].code == 1 && legacy.controls[0].input.empty() &&
                    legacy.controls[0].outputLength == 4108u && legacy.controls[0].outputZeroed);
        EXPECT_EQ(legacy.events,
                  (std::vector<std::string>{"priority 256", std::string("close ") + kLegacyDriver, "priority 32"}));
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
        fake.present = {physicalDrive(0), physicalDrive(3), scsiPort(0), kLegacyDriver};
        if (expectation.smart) {
            fake.reply(physicalDrive(3), kSmartGetVersion, versionReply(1));
            fake.reply(physicalDrive(3), kSmartReceiveDriveData, smartReply("SMART3", "A"));
        }
        if (expectation.scsi) fake.reply(scsiPort(0), kScsiMiniport, miniportReply("SCSI0", "B"));
        fake.reply(physicalDrive(0), kStorageQueryProperty, descriptorReply(100, "4B5A", 0, ""));
        readDrivesForPlatform(fake);
        EXPECT_STREQ(driveSerialText, expectation.serial);
        EXPECT_STREQ(driveTextSource(), expectation.source);
        EXPECT_EQ(fake.controlsOn(physicalDrive(0)).back().code, kStorageGetMediaSerialNumber);
        for (const auto& open : fake.opens) EXPECT_NE(open.path, kLegacyDriver);
    }
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
