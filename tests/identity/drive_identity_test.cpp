// Drive identity: the text conversions, the acceptance test, the fold and the
// vendor offsets; the Windows drive readers over a stand-in for the devices that
// records every request and answers from scripted replies (the exact requests each
// reader sends, how it reads the replies, which drive the computation chooses).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "identity/drive_store.h"
#include "identity/drive_text.h"
#include "identity/identity_platform.h"

namespace {

using namespace util::identity;
using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

/// The 512 little-endian bytes of an identify reply, behind `header` zero bytes:
/// `serial` in words 10-19 padded with blanks to 20 characters, `model` in words
/// 27-46 padded to 40 (each word holds two characters, the first in the high byte),
/// and 0x0F00 in word 49, a number field.
Bytes identifyBytes(std::string serial, std::string model, std::size_t header = 0) {
    serial.resize(20, ' ');
    model.resize(40, ' ');
    Bytes bytes(header + 512, 0);
    bytes[header + 99] = 0x0F;
    const std::string text = serial + std::string(14, '\0') + model;  // words 10-46
    for (std::size_t index = 0; index < text.size(); index += 2) {
        bytes[header + 20 + index] = static_cast<unsigned char>(text[index + 1]);
        bytes[header + 21 + index] = static_cast<unsigned char>(text[index]);
    }
    return bytes;
}

/// The same reply as the 256 widened words the store reads.
std::vector<std::uint32_t> identifyWords(const std::string& serial, const std::string& model) {
    std::vector<std::uint32_t> words(256);
    widenIdentifyBytes(identifyBytes(serial, model).data(), words.data());
    return words;
}

std::string serialOf(const std::string& text) { return identifyWordsToText(identifyWords(text, "").data(), 10, 19); }

TEST(IdentifyWordsToText, TakesHighByteFirstAndCutsOnlyTrailingBlanks) {
    std::vector<std::uint32_t> words = identifyWords("WD-WCAV1234", "WDC WD800");
    EXPECT_EQ(words[10], 0x5744u);  // 'W' 'D': the bytes are read as little-endian words
    EXPECT_EQ(serialOf("   XYZ 1"), "   XYZ 1");
    EXPECT_EQ(serialOf(""), " ");                            // the first character is never cut
    EXPECT_EQ(serialOf(std::string("AB\0D  EF", 8)), "AB");  // a NUL ends the text
    // HDIO_GET_IDENTITY hands back host-order (here little-endian) words, text fields in character order.
    Bytes kernel = identifyBytes("WD-WCAV1234", "WDC WD800");
    for (int index = 10; index <= 46; ++index) {
        if (index < 20 || index > 22) std::swap(kernel[2 * index], kernel[2 * index + 1]);
    }
    std::vector<std::uint32_t> fromKernel(kIdentifyWordCount);
    widenKernelIdentifyReply(kernel.data(), fromKernel.data());
    EXPECT_EQ(fromKernel, words);
    words[10] |= 0xFFFF0000u;  // only the low 16 bits of a widened word count
    EXPECT_STREQ(identifyWordsToText(words.data(), 10, 10), "WD");
    EXPECT_STREQ(identifyWordsToText(nullptr, 10, 19), "");
    // Indices outside the reply add nothing.
    const std::vector<std::uint32_t> full(256, 0x4142);  // "AB" in every word
    EXPECT_EQ(std::string(identifyWordsToText(full.data(), -1000, 1000)).substr(508), "ABAB");
}

TEST(HexPairsToText, SwapsPairsPerWordAndDropsZeros) {
    // A missing position counts as '0', and so does a non-hex digit.
    const std::pair<const char*, const char*> cases[] = {{"3132", "21"}, {"0031", "1"}, {"313", "01"},
                                                         {"6a6B", "kj"}, {"zz41", "A"}, {"FEFF", "\xFF\xFE"},
                                                         {"6f66", "fo"}, {"", ""},      {nullptr, ""}};
    for (const auto& each : cases) EXPECT_STREQ(hexPairsToText(each.first), each.second) << each.first;
    EXPECT_EQ(std::string(hexPairsToText(std::string(4000, '4').c_str())), std::string(999, 'D'));
}

TEST(SerialAcceptance, FirstOrTwentiethCharacterMustBeAsciiLetterOrDigit) {
    const std::string blanks(19, ' ');
    // High bytes are neither letter nor digit.
    const std::pair<std::string, bool> cases[] = {{"A", true},
                                                  {"0 ", true},
                                                  {blanks + "Z", true},
                                                  {"", false},
                                                  {" ", false},
                                                  {"\xC3\x89T", false},
                                                  {blanks.substr(1) + "Z", false},
                                                  {blanks + "-Z", false}};
    for (const auto& each : cases) EXPECT_EQ(serialTextIsAcceptable(each.first.c_str()), each.second) << each.first;
    EXPECT_FALSE(serialTextIsAcceptable(nullptr));
}

TEST(IdentifierFromTexts, GivesTheKnownIdentifiers) {
    const struct {
        const char *serial, *model;
        long identifier;
    } cases[] = {
        {"ABC", "", 600001122},       {"12-34", "IBM-DTLA-307030", 300001234},
        {"102", "MAXTOR", 400000102}, {"1 2", "Maxtor 6Y080M0", 400000102},    // a blank counts 0
        {"zZ-a", "", 600003860},      {"9999999999999999999", "", 590448383},  // wraps past 2^63
        {"WD-WCA", "", 600000010},     // "WD-W" and the character after it are skipped
        {"\x80XYZ", "", 600000000},    // a high first byte: no fold
        {"", "WDC IBM-X", 300000000},  // "IBM-" is tested first
    };
    for (const auto& each : cases) {
        EXPECT_EQ(identifierFromTexts(each.serial, each.model), each.identifier)
            << "serial '" << each.serial << "' model '" << each.model << "'";
    }
}

class FakeDriveDevices : public util::identity::DriveDevices {
public:
    using Device = std::pair<const std::string, std::map<std::uint32_t, std::deque<Bytes>>>;

    unsigned long platform = 2;
    Lines opens;     // "path access sharing creation flags", the numbers in hex
    Lines controls;  // "path code [input length: offset=byte ...] output length", the non-zero input bytes in hex
    Lines events;    // closes, priorities and messages, in order

    /// Makes `path` present and queues a reply for its next request with `code`;
    /// an empty reply, or none queued, fails the request.
    void reply(const std::string& path, std::uint32_t code, Bytes bytes = {}) {
        devices[path][code].push_back(std::move(bytes));
    }

    unsigned long platformId() override { return platform; }
    void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing, std::uint32_t creation,
                     std::uint32_t flags) override {
        std::ostringstream line;
        line << std::hex << path << ' ' << access << ' ' << sharing << ' ' << creation << ' ' << flags;
        opens.push_back(line.str());
        const auto found = devices.find(path);
        return found != devices.end() ? &*found : nullptr;
    }
    bool controlDevice(void* handle, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                       std::uint32_t outputLength) override {
        Device& device = *static_cast<Device*>(handle);
        const auto* in = static_cast<const unsigned char*>(input);
        auto* out = static_cast<unsigned char*>(output);
        std::ostringstream line;
        line << device.first << ' ' << std::hex << code << " [" << std::dec << inputLength << ':' << std::hex;
        for (std::uint32_t at = 0; in != nullptr && at < inputLength; ++at) {
            if (in[at] != 0) line << ' ' << at << '=' << unsigned{in[at]};
        }
        controls.push_back(line.str() + "] " + std::to_string(outputLength));
        // Every reader hands over an output buffer that is zero beyond its input bytes.
        unsigned char* beyond = out + (output == input ? inputLength : 0);
        EXPECT_EQ(std::count(beyond, out + outputLength, 0), out + outputLength - beyond) << controls.back();
        auto& queue = device.second[code];
        const Bytes answer = queue.empty() ? Bytes() : queue.front();
        if (!queue.empty()) queue.pop_front();
        std::copy_n(answer.begin(), std::min<std::size_t>(answer.size(), outputLength), out);
        return !answer.empty();
    }
    void closeDevice(void* handle) override { events.push_back("close " + static_cast<Device*>(handle)->first); }
    void setPriorityClass(std::uint32_t value) override { events.push_back("priority " + std::to_string(value)); }
    void showMessage(const char* text, const char* caption, std::uint32_t style) override {
        events.push_back(std::string("message ") + text + " | " + caption + " | " + std::to_string(style));
    }

private:
    std::map<std::string, std::map<std::uint32_t, std::deque<Bytes>>> devices;
};

std::string physicalDrive(int number) { return "\\\\.\\PhysicalDrive" + std::to_string(number); }
std::string scsiPort(int number) { return "\\\\.\\Scsi" + std::to_string(number) + ":"; }
const char kLegacyDriver[] = "\\\\.\\IDE21201.VXD";

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
    // The version reply's byte 3 is the device map; bit 5 marks drive 1 as ATAPI.
    devices.reply(physicalDrive(1), kSmartGetVersion, Bytes{0, 0, 0, 0x20});
    devices.reply(physicalDrive(1), kSmartReceiveDriveData, identifyBytes("SMART1", "WDC WD800", 16));
    devices.reply(physicalDrive(2), kSmartGetVersion, Bytes{0, 0, 0, 0});     // no IDE device at all
    devices.reply(physicalDrive(3), kSmartGetVersion);                        // the query fails
    devices.reply(physicalDrive(4), kSmartGetVersion, Bytes{0, 0, 0, 0xFF});  // bit 8 lies outside
    devices.reply(physicalDrive(4), kSmartReceiveDriveData, identifyBytes("SMART4", "IBM-X", 16));
    readDrivesBySmart(devices);

    EXPECT_TRUE(devices.opens.size() == 16 && devices.opens[15] == physicalDrive(15) + " c0000000 3 3 0");
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

    EXPECT_EQ(devices.opens.back(), "\\\\.\\Scsi15: c0000000 3 3 0");  // the last of 16 ports
    // HeaderLength 28, "SCSIDISK", Timeout 10000, ControlCode, Length 529, IDENTIFY, bDriveNumber.
    const std::string request =
        " 4d008 [60: 0=1c 4=53 5=43 6=53 7=49 8=44 9=49 a=53 b=4b c=10 d=27 10=1 11=5 12=1b 18=11 19=2 26=ec";
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
    const std::string media9 = std::string(16, '\0') + "MEDIA9";  // the text at byte 16
    devices.reply(physicalDrive(2), kStorageGetMediaSerialNumber, Bytes(media9.begin(), media9.end()));
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

// Drives count only on a present channel; a drive handed on ends the attempts even when rejected.
TEST_F(DeviceReaders, LegacyDriverNeedsDriveAndChannelAndStopsOnceADriveIsHandedOn) {
    for (const char* serial : {"LEGACY1", ""}) {
        computeHardDriveComputerID(nullptr);
        FakeDriveDevices legacy;
        legacy.platform = 0;  // a failed version query counts as "not NT"
        LegacyDriveInfo info = {};
        info.channelPresent[0] = info.channelPresent[3] = 1;
        info.drivePresent[1] = info.drivePresent[2] = info.drivePresent[7] = 1;  // 2: channel 1 absent
        const Bytes drive = identifyBytes(serial, "IBM-DTLA"), hidden = identifyBytes("HIDDEN", "WDC Z");
        std::copy(drive.begin(), drive.end(), info.identifyData[1]);
        std::copy(hidden.begin(), hidden.end(), info.identifyData[2]);
        const unsigned char* raw = reinterpret_cast<const unsigned char*>(&info);
        legacy.reply(kLegacyDriver, 1, Bytes(raw, raw + sizeof info));
        readDrivesForPlatform(legacy);

        EXPECT_EQ(legacy.opens.size(), 1u);
        EXPECT_EQ(legacy.controls, Lines{std::string(kLegacyDriver) + " 1 [0:] 4108"});
        EXPECT_EQ(legacy.events, (Lines{"priority 256", std::string("close ") + kLegacyDriver, "priority 32"}));
        EXPECT_STREQ(driveSerialText, serial);
        EXPECT_STREQ(driveModelText, *serial ? "IBM-DTLA" : "");
        EXPECT_STREQ(driveTextSource(), *serial ? "legacy driver" : "");
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
            fake.reply(physicalDrive(3), kSmartGetVersion, Bytes{0, 0, 0, 1});
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

TEST(Computation, ClearsBothTextsAndKeepsTheFirstAcceptedDrive) {
    const auto readOneDrive = [] { storeDriveIdentity(identifyWords("WD-WCAV1234", "WDC WD800").data()); };
    EXPECT_EQ(computeHardDriveComputerID(readOneDrive), 501311234);
    EXPECT_STREQ(driveModelText, "WDC WD800");
    // A computation that accepts no drive does not reuse the model left behind.
    EXPECT_EQ(computeHardDriveComputerID([] {}), 600000000);
    EXPECT_STREQ(driveModelText, "");
    // Texts handed on directly: refused when not acceptable or when a drive was taken.
    EXPECT_FALSE(storeDriveTexts(" LEAD", "M"));
    EXPECT_TRUE(storeDriveTexts("FIRST", nullptr));
    EXPECT_FALSE(storeDriveTexts("SECOND", "M"));
    EXPECT_STREQ(driveSerialText, "FIRST");
}

}  // namespace
