// Fixed disks and their serial and model texts as sysfs shows them, and the
// order of the Linux readers.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "identity/drive_store.h"
#include "identity/linux_drives.h"

namespace util {
namespace identity {

namespace {

constexpr std::size_t kAttributeCapacity = 4096;  // a sysfs attribute is at most a page
constexpr std::size_t kTextCapacity = 999;

// The attribute's bytes (at most a page); empty when it cannot be read.
std::string readAttribute(const std::string& path) {
    const int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file < 0) {
        return std::string();
    }
    std::string bytes(kAttributeCapacity, '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t count = read(file, &bytes[filled], bytes.size() - filled);
        if (count <= 0) {
            break;
        }
        filled += static_cast<std::size_t>(count);
    }
    close(file);
    bytes.resize(filled);
    return bytes;
}

// Up to the first line end or NUL, trailing blanks cut (never the first character).
std::string attributeText(const std::string& bytes) {
    std::string text = bytes.substr(0, bytes.find_first_of(std::string("\n\0", 2)));
    if (text.size() > kTextCapacity) {
        text.resize(kTextCapacity);
    }
    while (text.size() > 1 && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// The serial of a unit serial number VPD page: page code 0x80, length at bytes 2-3.
std::string vpdSerialText(const std::string& page) {
    if (page.size() < 4 || static_cast<unsigned char>(page[1]) != 0x80) {
        return std::string();
    }
    const std::size_t length =
        (static_cast<std::size_t>(static_cast<unsigned char>(page[2])) << 8) | static_cast<unsigned char>(page[3]);
    return attributeText(page.substr(4, std::min(length, page.size() - 4)));
}

bool pathExists(const std::string& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0;
}

}  // namespace

std::vector<std::string> listFixedDisks(const std::string& blockRoot) {
    std::vector<std::string> disks;
    DIR* directory = opendir(blockRoot.c_str());
    if (directory == nullptr) {
        return disks;
    }
    while (const dirent* entry = readdir(directory)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') {
            continue;
        }
        const std::string diskDirectory = blockRoot + "/" + name;
        if (!pathExists(diskDirectory + "/device")) {
            continue;
        }
        if (attributeText(readAttribute(diskDirectory + "/removable")) == "1") {
            continue;
        }
        disks.push_back(name);
    }
    closedir(directory);
    std::sort(disks.begin(), disks.end());
    return disks;
}

void readSysfsDiskTexts(const std::string& diskDirectory, std::string& serial, std::string& model) {
    serial = attributeText(readAttribute(diskDirectory + "/serial"));
    if (serial.empty()) {
        serial = attributeText(readAttribute(diskDirectory + "/device/serial"));
    }
    if (serial.empty()) {
        serial = vpdSerialText(readAttribute(diskDirectory + "/device/vpd_pg80"));
    }
    model = attributeText(readAttribute(diskDirectory + "/device/model"));
}

void readDrivesBySysfs(const std::string& blockRoot) {
    for (const std::string& disk : listFixedDisks(blockRoot)) {
        std::string serial;
        std::string model;
        readSysfsDiskTexts(blockRoot + "/" + disk, serial, model);
        storeDriveTexts(serial.c_str(), model.c_str());
    }
}

void readAllDrives() {
    readDrivesByAtaIdentify("/sys/block", "/dev");
    noteDriveTextSource("ata identify");
    readDrivesBySysfs("/sys/block");
    noteDriveTextSource("sysfs");
}

}  // namespace identity
}  // namespace util
