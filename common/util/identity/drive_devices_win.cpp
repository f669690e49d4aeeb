// The real devices under the Windows drive readers: CreateFileA, DeviceIoControl,
// GetVersionExA, SetPriorityClass and MessageBoxA, and the platform's reader order.
#include "platform/win_include.h"

#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>

#include "identity/identity_platform.h"
#include "identity/drive_store.h"

namespace util {
namespace identity {

// The readers write these records byte by byte; hold them to the SDK's layouts.
static_assert(sizeof(GETVERSIONINPARAMS) == kVersionRecordSize, "GETVERSIONOUTPARAMS is 24 bytes");
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == kDeviceMapOffset, "device map at 3");
static_assert(sizeof(SENDCMDINPARAMS) == kCommandInputSize + 1, "SENDCMDINPARAMS is 33 bytes");
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) == 4, "IDEREGS at 4");
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == 12, "drive number at 12");
static_assert(offsetof(IDEREGS, bDriveHeadReg) == 5 && offsetof(IDEREGS, bCommandReg) == 6,
              "drive/head and command registers");
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == kCommandOutputHeaderSize, "data at 16");
static_assert(sizeof(SRB_IO_CONTROL) == kSrbHeaderSize, "SRB_IO_CONTROL is 28 bytes");
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == kStorageQuerySize, "query is 12 bytes");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == kProductIdOffsetField, "product id offset field");
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == kSerialNumberOffsetField,
              "serial number offset field");
static_assert(SMART_GET_VERSION == kSmartGetVersion && SMART_RCV_DRIVE_DATA == kSmartReceiveDriveData,
              "SMART control codes");
static_assert(IOCTL_SCSI_MINIPORT == kScsiMiniport, "miniport control code");
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == kStorageQueryProperty &&
                  IOCTL_STORAGE_GET_MEDIA_SERIAL_NUMBER == kStorageGetMediaSerialNumber,
              "storage control codes");
static_assert(GENERIC_READ + GENERIC_WRITE == kReadWriteAccess && OPEN_EXISTING == kOpenExisting &&
                  FILE_FLAG_DELETE_ON_CLOSE == kDeleteOnClose,
              "open values");
static_assert(REALTIME_PRIORITY_CLASS == kRealtimePriorityClass && NORMAL_PRIORITY_CLASS == kNormalPriorityClass &&
                  MB_ICONSTOP == kIconStop,
              "priority classes and message style");
static_assert(sizeof(OSVERSIONINFOA) == 148, "OSVERSIONINFOA is 148 bytes");
static_assert(sizeof(LegacyDriveInfo) == 4108, "LegacyDriveInfo is 4108 bytes");

namespace {

class SystemDriveDevices : public DriveDevices {
public:
    unsigned long platformId() override {
        OSVERSIONINFOA version = {};
        version.dwOSVersionInfoSize = sizeof version;
        // Not tested: a failed call leaves the zero-filled platform id.
        GetVersionExA(&version);
        return version.dwPlatformId;
    }

    void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing, std::uint32_t creation,
                     std::uint32_t flags) override {
        HANDLE handle = CreateFileA(path, access, sharing, nullptr, creation, flags, nullptr);
        return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
    }

    bool controlDevice(void* device, std::uint32_t controlCode, const void* input, std::uint32_t inputLength,
                       void* output, std::uint32_t outputLength) override {
        DWORD bytesReturned = 0;
        return DeviceIoControl(static_cast<HANDLE>(device), controlCode, const_cast<void*>(input), inputLength, output,
                               outputLength, &bytesReturned, nullptr) != 0;
    }

    void closeDevice(void* device) override { CloseHandle(static_cast<HANDLE>(device)); }

    void setPriorityClass(std::uint32_t priorityClass) override {
        SetPriorityClass(GetCurrentProcess(), priorityClass);
    }

    void showMessage(const char* text, const char* caption, std::uint32_t style) override {
        MessageBoxA(nullptr, text, caption, style);
    }
};

}  // namespace

void readAllDrives() {
    SystemDriveDevices devices;
    readDrivesForPlatform(devices);
}

}  // namespace identity
}  // namespace util
