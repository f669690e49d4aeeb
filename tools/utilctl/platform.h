// What utilctl asks of the platform directly, beside the library.
#ifndef UTILCTL_PLATFORM_H
#define UTILCTL_PLATFORM_H

#include <cstdio>
#include <functional>
#include <string>

namespace utilctl {

/// "Windows (32-bit)", "Windows (64-bit)" or "Linux (64-bit)" and the like.
const char* platformName();

/// True when the Windows build runs under Wine (ntdll exports wine_get_version).
bool runningUnderWine();

/// The local IPv4 address this machine would send from to reach ip (network
/// byte order), found by connecting a UDP socket, which sends nothing.
/// Returns false when there is no route or no socket.
bool localAddressTowards(unsigned long ip, unsigned long* localAddress);

/// Binary mode for a standard stream (Windows); nothing on POSIX.
void setBinaryMode(std::FILE* stream);

/// Writes text to a new file of a unique name in the system's temporary
/// directory, readable by its owner only, and returns its path, or an empty
/// string when that fails.
std::string writeTemporaryFile(const std::string& text);

/// Removes the file; failure is ignored.
void removeFile(const std::string& path);

/// Writes a file's new contents by calling write on a stream open for writing
/// in binary mode; false (or an error flag on the stream) fails the write.
using ContentWriter = std::function<bool(std::FILE*)>;

/// Replaces the contents of the file at path (for a symbolic link, of the file
/// it points to) with what write produces, written out in full to a new file of
/// a unique name in the same directory first, so that a failure leaves the old
/// file whole. POSIX renames that new file over the old one after giving it the
/// old one's permissions, owner and group; Windows rewrites the old file in
/// place from it (putting the old contents back should that fail), so the file
/// keeps its security, attributes and links. A missing file is created with
/// the default permissions. Returns false with the reason in *error.
bool replaceFile(const std::string& path, const ContentWriter& write, std::string* error);

/// The program that opens URLs when it cannot be found (POSIX: "xdg-open" when
/// no such executable is on PATH); null when there is one or none is needed.
const char* missingUrlOpener();

}  // namespace utilctl

#endif
