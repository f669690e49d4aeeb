// The narrow device interface under the four Windows drive readers, and the
// readers themselves. The readers build and read the request records byte by
// byte at the published offsets, so they are plain code that runs on every host:
// the Windows build passes the real devices (CreateFileA, DeviceIoControl, ...),
// a test passes a stand-in that checks each request and scripts each reply.
// Internal to the library.
#ifndef UTIL_IDENTITY_IDENTITY_PLATFORM_H
#define UTIL_IDENTITY_IDENTITY_PLATFORM_H

#include <cstdint>

namespace util {
namespace identity {

/// What the readers need of the platform. Device handles are opaque; null is
/// "could not be opened".
class DriveDevices {
public:
    virtual ~DriveDevices() = default;
    /// dwPlatformId of GetVersionExA on a zero-filled OSVERSIONINFOA (size 148);
    /// 0 when the query fails.
    virtual unsigned long platformId() = 0;
    /// CreateFileA(path, access, sharing, no security, creation, flags, no template);
    /// null when the device is absent.
    virtual void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing, std::uint32_t creation,
                             std::uint32_t flags) = 0;
    /// DeviceIoControl without overlapped I/O; `input` and `output` may be the same
    /// buffer. True on success. The bytes-returned count is not reported.
    virtual bool controlDevice(void* device, std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
                               void* output, std::uint32_t outputLength) = 0;
    virtual void closeDevice(void* device) = 0;
    /// SetPriorityClass(GetCurrentProcess(), priorityClass).
    virtual void setPriorityClass(std::uint32_t priorityClass) = 0;
    /// MessageBoxA(no owner, text, caption, style); returns when dismissed.
    virtual void showMessage(const char* text, const char* caption, std::uint32_t style) = 0;
};

/// The record the legacy drive driver fills: 4108 bytes, no gaps.
struct LegacyDriveInfo {
    unsigned char channelPresent[4];     // k non-zero: the channel of drives 2k, 2k+1 exists
    unsigned char drivePresent[8];       // i non-zero: drive i exists
    unsigned char identifyData[8][512];  // drive i's identify words, little-endian
};
static_assert(sizeof(LegacyDriveInfo) == 4108, "the legacy driver fills exactly 4108 bytes");

// Control codes and values the readers send.
constexpr std::uint32_t kSmartGetVersion = 0x74080;
constexpr std::uint32_t kSmartReceiveDriveData = 0x7C088;
constexpr std::uint32_t kScsiMiniport = 0x4D008;
constexpr std::uint32_t kScsiMiniportIdentify = 0x1B0501;
constexpr std::uint32_t kStorageQueryProperty = 0x2D1400;
constexpr std::uint32_t kStorageGetMediaSerialNumber = 0x2D0C10;
constexpr std::uint32_t kLegacyDriverIdentify = 1;
constexpr std::uint32_t kReadWriteAccess = 0xC0000000;  // GENERIC_READ | GENERIC_WRITE
constexpr std::uint32_t kShareReadWrite = 3;            // FILE_SHARE_READ | FILE_SHARE_WRITE
constexpr std::uint32_t kOpenExisting = 3;
constexpr std::uint32_t kDeleteOnClose = 0x4000000;  // FILE_FLAG_DELETE_ON_CLOSE
constexpr std::uint32_t kRealtimePriorityClass = 0x100;
constexpr std::uint32_t kNormalPriorityClass = 0x20;
constexpr std::uint32_t kIconStop = 0x10;  // MB_ICONSTOP
constexpr unsigned long kPlatformWin32Nt = 2;

// Record sizes and offsets (the Windows build asserts them against the SDK).
constexpr std::uint32_t kVersionRecordSize = 24;        // GETVERSIONOUTPARAMS
constexpr std::uint32_t kDeviceMapOffset = 3;           // its bIDEDeviceMap
constexpr std::uint32_t kCommandInputSize = 32;         // SENDCMDINPARAMS without bBuffer
constexpr std::uint32_t kCommandOutputHeaderSize = 16;  // SENDCMDOUTPARAMS before bBuffer
constexpr std::uint32_t kSrbHeaderSize = 28;            // SRB_IO_CONTROL
constexpr std::uint32_t kStorageQuerySize = 12;         // STORAGE_PROPERTY_QUERY
constexpr std::uint32_t kProductIdOffsetField = 16;     // STORAGE_DEVICE_DESCRIPTOR fields
constexpr std::uint32_t kSerialNumberOffsetField = 24;
constexpr std::uint32_t kMediaSerialTextOffset = 16;  // MEDIA_SERIAL_NUMBER_DATA.SerialNumberData
constexpr std::uint32_t kStorageReplySize = 10000;

/// Reader 1: ATA IDENTIFY through SMART_RCV_DRIVE_DATA on \\.\PhysicalDrive0..15.
void readDrivesBySmart(DriveDevices& devices);
/// Reader 2: IOCTL_SCSI_MINIPORT_IDENTIFY on \\.\Scsi0:..15:, drives 0 and 1 of each.
void readDrivesByScsiMiniport(DriveDevices& devices);
/// Reader 3: the storage descriptor's serial (hex pairs) and product id, then the
/// media serial number, on \\.\PhysicalDrive0..15. A descriptor offset that points
/// outside the 10000-byte reply counts as no text, and a text that runs to the end
/// of the reply ends there: the reply is never read past its end.
void readDrivesByStorageQuery(DriveDevices& devices);
/// Reader 4, for Windows 95/98/Me: the legacy driver \\.\IDE21201.VXD, at real-time
/// priority, with a message box when the driver is missing. Returns 1 when any
/// drive's identify words were handed on (accepted or not), else 0. Leaves the
/// process at NORMAL_PRIORITY_CLASS, whatever class it had before.
int readDrivesByLegacyDriver(DriveDevices& devices);

/// The readers in the platform's order: platform id 2 runs readers 1, 2 and 3,
/// each over all its devices; any other id calls reader 4 up to 10 times, until
/// it returns 1 or a serial is chosen. Records which reader chose the drive
/// ("smart", "scsi miniport", "storage query", "legacy driver").
void readDrivesForPlatform(DriveDevices& devices);

}  // namespace identity
}  // namespace util

#endif
