// ATA IDENTIFY DEVICE through the Linux kernel: the IDE/libata ioctl first, then
// an ATA PASS-THROUGH(16) command through the SCSI generic interface.
#include <fcntl.h>
#include <linux/hdreg.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "identity/drive_store.h"
#include "identity/drive_text.h"
#include "identity/linux_drives.h"

namespace util {
namespace identity {

namespace {

constexpr unsigned char kAtaPassThrough16 = 0x85;
constexpr unsigned char kProtocolPioDataIn = 4 << 1;
// T_DIR from the device, BYT_BLOK in blocks, T_LENGTH in the sector count field.
constexpr unsigned char kTransferFromDeviceInSectors = 0x0E;
constexpr unsigned char kIdentifyDevice = 0xEC;
constexpr unsigned kPassThroughTimeoutMilliseconds = 5000;

bool identifyByIdeIoctl(int device, std::uint32_t words[kIdentifyWordCount]) {
    // The kernel fills a struct hd_driveid: words in host order, text fields
    // already in character order (see widenKernelIdentifyReply).
    unsigned char reply[kIdentifyByteCount] = {};
    static_assert(sizeof(struct hd_driveid) == kIdentifyByteCount, "the identify reply is 512 bytes");
    if (ioctl(device, HDIO_GET_IDENTITY, reply) != 0) {
        return false;
    }
    widenKernelIdentifyReply(reply, words);
    return true;
}

bool identifyByPassThrough(int device, std::uint32_t words[kIdentifyWordCount]) {
    unsigned char command[16] = {};
    command[0] = kAtaPassThrough16;
    command[1] = kProtocolPioDataIn;
    command[2] = kTransferFromDeviceInSectors;
    command[6] = 1;  // sector count
    command[14] = kIdentifyDevice;
    unsigned char reply[kIdentifyByteCount] = {};
    unsigned char sense[32] = {};
    sg_io_hdr_t request;
    std::memset(&request, 0, sizeof request);
    request.interface_id = 'S';
    request.dxfer_direction = SG_DXFER_FROM_DEV;
    request.cmd_len = sizeof command;
    request.cmdp = command;
    request.dxfer_len = sizeof reply;
    request.dxferp = reply;
    request.mx_sb_len = sizeof sense;
    request.sbp = sense;
    request.timeout = kPassThroughTimeoutMilliseconds;
    if (ioctl(device, SG_IO, &request) != 0 || request.status != 0 || request.host_status != 0 ||
        request.driver_status != 0 || request.resid != 0) {
        return false;
    }
    widenIdentifyBytes(reply, words);
    return true;
}

}  // namespace

void readDrivesByAtaIdentify(const std::string& blockRoot, const std::string& deviceRoot) {
    for (const std::string& disk : listFixedDisks(blockRoot)) {
        const std::string path = deviceRoot + "/" + disk;
        const int device = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (device < 0) {
            continue;
        }
        // Device requests go to block devices only, never to whatever else has the name.
        struct stat status;
        if (fstat(device, &status) != 0 || !S_ISBLK(status.st_mode)) {
            close(device);
            continue;
        }
        std::uint32_t words[kIdentifyWordCount];
        if (identifyByIdeIoctl(device, words) || identifyByPassThrough(device, words)) {
            storeDriveIdentity(words);
        }
        close(device);
    }
}

}  // namespace identity
}  // namespace util
