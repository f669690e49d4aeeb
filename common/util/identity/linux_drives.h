// The Linux drive readers: ATA IDENTIFY DEVICE through the kernel, then the
// storage layer's own serial and model texts in sysfs. Both walk the same list of
// fixed disks and hand what they find to the store (drive_store.h). The roots are
// parameters so that tests can lay out a sysfs tree of their own. Internal.
#ifndef UTIL_IDENTITY_LINUX_DRIVES_H
#define UTIL_IDENTITY_LINUX_DRIVES_H

#include <string>
#include <vector>

namespace util {
namespace identity {

/// Names of the entries of `blockRoot` (normally "/sys/block") that have a
/// "device" behind them (loop, ram, zram and device-mapper entries have none) and
/// whose "removable" does not read 1, in byte order. Empty when the directory
/// cannot be read.
std::vector<std::string> listFixedDisks(const std::string& blockRoot);

/// The serial and model texts sysfs gives for one disk directory: the serial from
/// "serial" (virtio), else "device/serial" (NVMe, MMC), else the unit serial number
/// page "device/vpd_pg80" (SCSI, SATA behind the SCSI layer); the model from
/// "device/model" (empty when missing). Texts end at their first line end or NUL;
/// trailing blanks are cut but never the first character; at most 999 characters.
void readSysfsDiskTexts(const std::string& diskDirectory, std::string& serial, std::string& model);

/// ATA IDENTIFY DEVICE for each fixed disk, opened read-only as deviceRoot/<name>:
/// HDIO_GET_IDENTITY, else SG_IO with ATA PASS-THROUGH(16). A disk that cannot be
/// opened or does not answer is passed over.
void readDrivesByAtaIdentify(const std::string& blockRoot, const std::string& deviceRoot);

/// The sysfs texts of each fixed disk, offered to the store in disk order.
void readDrivesBySysfs(const std::string& blockRoot);

}  // namespace identity
}  // namespace util

#endif
