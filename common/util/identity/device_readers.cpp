// The four Windows drive readers, written over DriveDevices so that the requests
// are the same bytes on every host and a stand-in can check them.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "identity/identity_platform.h"
#include "identity/drive_store.h"
#include "identity/drive_text.h"

namespace util {
namespace identity {

namespace {

constexpr int kDeviceCount = 16;
constexpr std::uint32_t kCommandOutputSize = kCommandOutputHeaderSize + kIdentifyByteCount;  // 528
constexpr std::uint32_t kMiniportPayloadSize = 529;  // SENDCMDINPARAMS in, SENDCMDOUTPARAMS out
constexpr std::uint32_t kMiniportBufferSize = kSrbHeaderSize + kMiniportPayloadSize;          // 557
constexpr std::uint32_t kMiniportIdentifyOffset = kSrbHeaderSize + kCommandOutputHeaderSize;  // 44
constexpr std::uint32_t kModelPresenceOffset = kMiniportIdentifyOffset + 54;                  // 98
constexpr std::size_t kWorkingTextCapacity = 1000;
constexpr unsigned char kIdentifyCommand = 0xEC;
constexpr unsigned char kIdentifyPacketCommand = 0xA1;

void putLittleEndian32(unsigned char* at, std::uint32_t value) {
    at[0] = static_cast<unsigned char>(value);
    at[1] = static_cast<unsigned char>(value >> 8);
    at[2] = static_cast<unsigned char>(value >> 16);
    at[3] = static_cast<unsigned char>(value >> 24);
}

std::uint32_t getLittleEndian32(const unsigned char* at) {
    return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
           (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

void storeIdentifyBytes(const unsigned char* bytes) {
    std::uint32_t words[kIdentifyWordCount];
    widenIdentifyBytes(bytes, words);
    storeDriveIdentity(words);
}

void formatDevicePath(char* path, std::size_t capacity, const char* format, int number) {
    std::snprintf(path, capacity, format, number);
}

// The text a descriptor field points at, or "" for offset 0 or one outside the
// reply. `reply` has one zero byte beyond its reported size, so every text ends.
const char* descriptorText(const unsigned char* reply, std::uint32_t offsetField) {
    const std::uint32_t offset = getLittleEndian32(reply + offsetField);
    if (offset == 0 || offset >= kStorageReplySize) {
        return "";
    }
    return reinterpret_cast<const char*>(reply + offset);
}

}  // namespace

void readDrivesBySmart(DriveDevices& devices) {
    for (int drive = 0; drive < kDeviceCount; ++drive) {
        char path[32];
        formatDevicePath(path, sizeof path, "\\\\.\\PhysicalDrive%d", drive);
        void* device = devices.openDevice(path, kReadWriteAccess, kShareReadWrite, kOpenExisting, 0);
        if (device == nullptr) {
            continue;
        }
        unsigned char version[kVersionRecordSize] = {};
        if (!devices.controlDevice(device, kSmartGetVersion, nullptr, 0, version, sizeof version) ||
            version[kDeviceMapOffset] == 0) {
            devices.closeDevice(device);
            continue;
        }
        // Bit n + 4 of the map marks an ATAPI device; past drive 3 it lies outside the map.
        const unsigned deviceMap = version[kDeviceMapOffset];
        const unsigned char command =
            ((deviceMap >> (drive + 4)) & 1u) != 0 ? kIdentifyPacketCommand : kIdentifyCommand;

        unsigned char input[kCommandInputSize + 1] = {};                   // SENDCMDINPARAMS with its one-byte tail
        putLittleEndian32(input, kIdentifyByteCount);                      // cBufferSize
        input[5] = 1;                                                      // sector count
        input[9] = static_cast<unsigned char>(0xA0 | ((drive & 1) << 4));  // drive/head
        input[10] = command;
        input[12] = static_cast<unsigned char>(drive);  // bDriveNumber
        unsigned char output[kCommandOutputSize] = {};
        if (devices.controlDevice(device, kSmartReceiveDriveData, input, kCommandInputSize, output, sizeof output)) {
            storeIdentifyBytes(output + kCommandOutputHeaderSize);
        }
        devices.closeDevice(device);
    }
}

void readDrivesByScsiMiniport(DriveDevices& devices) {
    for (int controller = 0; controller < kDeviceCount; ++controller) {
        char path[32];
        formatDevicePath(path, sizeof path, "\\\\.\\Scsi%d:", controller);
        void* device = devices.openDevice(path, kReadWriteAccess, kShareReadWrite, kOpenExisting, 0);
        if (device == nullptr) {
            continue;
        }
        for (int drive = 0; drive < 2; ++drive) {
            unsigned char buffer[kMiniportBufferSize] = {};
            putLittleEndian32(buffer + 0, kSrbHeaderSize);                    // HeaderLength
            std::memcpy(buffer + 4, "SCSIDISK", 8);                           // Signature, no NUL
            putLittleEndian32(buffer + 12, 10000);                            // Timeout
            putLittleEndian32(buffer + 16, kScsiMiniportIdentify);            // ControlCode
            putLittleEndian32(buffer + 20, 0);                                // ReturnCode
            putLittleEndian32(buffer + 24, kMiniportPayloadSize);             // Length
            buffer[kSrbHeaderSize + 4 + 6] = kIdentifyCommand;                // IDEREGS command register
            buffer[kSrbHeaderSize + 12] = static_cast<unsigned char>(drive);  // bDriveNumber
            if (devices.controlDevice(device, kScsiMiniport, buffer, kSrbHeaderSize + kCommandInputSize, buffer,
                                      sizeof buffer) &&
                buffer[kModelPresenceOffset] != 0) {
                storeIdentifyBytes(buffer + kMiniportIdentifyOffset);
            }
        }
        devices.closeDevice(device);
    }
}

void readDrivesByStorageQuery(DriveDevices& devices) {
    // One byte more than the reply the device may fill, kept zero: every text ends.
    std::vector<unsigned char> reply(kStorageReplySize + 1);
    for (int drive = 0; drive < kDeviceCount; ++drive) {
        char path[32];
        formatDevicePath(path, sizeof path, "\\\\.\\PhysicalDrive%d", drive);
        void* device = devices.openDevice(path, 0, kShareReadWrite, kOpenExisting, 0);
        if (device == nullptr) {
            continue;
        }
        const unsigned char query[kStorageQuerySize] = {};  // device property, standard query
        std::fill(reply.begin(), reply.end(), 0);
        if (devices.controlDevice(device, kStorageQueryProperty, query, sizeof query, reply.data(),
                                  kStorageReplySize)) {
            char serial[kWorkingTextCapacity];
            char model[kWorkingTextCapacity];
            copyTextCut(serial, sizeof serial, hexPairsToText(descriptorText(reply.data(), kSerialNumberOffsetField)));
            copyTextCut(model, sizeof model, descriptorText(reply.data(), kProductIdOffsetField));
            storeDriveTexts(serial, model);
        }
        std::fill(reply.begin(), reply.end(), 0);
        if (devices.controlDevice(device, kStorageGetMediaSerialNumber, nullptr, 0, reply.data(), kStorageReplySize)) {
            char serial[kWorkingTextCapacity];
            copyTextCut(serial, sizeof serial, reinterpret_cast<const char*>(reply.data() + kMediaSerialTextOffset));
            storeDriveTexts(serial, nullptr);
        }
        devices.closeDevice(device);
    }
}

int readDrivesByLegacyDriver(DriveDevices& devices) {
    devices.setPriorityClass(kRealtimePriorityClass);
    LegacyDriveInfo info;
    std::memset(&info, 0, sizeof info);
    void* device = devices.openDevice("\\\\.\\IDE21201.VXD", 0, 0, 0, kDeleteOnClose);
    if (device != nullptr) {
        // The driver's answer is judged by the record alone, not by the call's result.
        devices.controlDevice(device, kLegacyDriverIdentify, nullptr, 0, &info, sizeof info);
        devices.closeDevice(device);
    } else {
        devices.showMessage("ERROR: Could not open IDE21201.VXD file", "Quillo32", kIconStop);
    }
    int found = 0;
    for (int drive = 0; drive < 8; ++drive) {
        if (info.drivePresent[drive] != 0 && info.channelPresent[drive / 2] != 0) {
            storeIdentifyBytes(info.identifyData[drive]);
            found = 1;
        }
    }
    devices.setPriorityClass(kNormalPriorityClass);
    return found;
}

void readDrivesForPlatform(DriveDevices& devices) {
    if (devices.platformId() == kPlatformWin32Nt) {
        readDrivesBySmart(devices);
        noteDriveTextSource("smart");
        readDrivesByScsiMiniport(devices);
        noteDriveTextSource("scsi miniport");
        readDrivesByStorageQuery(devices);
        noteDriveTextSource("storage query");
        return;
    }
    for (int attempt = 0; attempt < 10 && driveSerialText[0] == '\0'; ++attempt) {
        if (readDrivesByLegacyDriver(devices) == 1) {
            break;
        }
    }
    noteDriveTextSource("legacy driver");
}

}  // namespace identity
}  // namespace util
