// The platform's profile (INI file) functions, as ZnIniReader uses them, and the
// current-directory query of SetINIFileName. Internal.
//
// Windows calls GetPrivateProfileStringA, GetPrivateProfileSectionA,
// GetPrivateProfileSectionNamesA, WritePrivateProfileStringA and
// GetCurrentDirectoryA. POSIX runs the INI engine (profile_engine.h) over the
// file's lines (profile_text.h decodes them) under a shared flock; a write reads,
// edits and rewrites the file in place under an exclusive flock. One process-wide
// lock, sound across fork, serialises the POSIX calls of one process as well.
#ifndef UTIL_CONFIG_CONFIG_PLATFORM_H
#define UTIL_CONFIG_CONFIG_PLATFORM_H

#include <cstddef>
#include <cstdio>

namespace util {
namespace config {

/// GetPrivateProfileStringA: a value, a section's key names (null key) or the
/// section names (null section). Returns the characters stored.
unsigned long profileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            unsigned long size, const char* path);
/// GetPrivateProfileSectionA: the section's lines. Returns the list's length.
unsigned long profileSection(const char* section, char* buffer, unsigned long size, const char* path);
/// GetPrivateProfileSectionNamesA. Returns the list's length.
unsigned long profileSectionNames(char* buffer, unsigned long size, const char* path);
/// WritePrivateProfileStringA. Returns nonzero on success. A missing file is
/// created (a missing directory is not).
long profileWrite(const char* section, const char* key, const char* value, const char* path);

enum class DirectoryQuery {
    kRead,        // the directory is in the buffer
    kTooLong,     // it exists but does not fit in the buffer
    kUnavailable  // it cannot be read (removed, no permission)
};
/// The current directory into buffer (size bytes with the NUL).
DirectoryQuery currentDirectory(char* buffer, std::size_t size);
/// Opens `path` for binary reading when it names a regular file (a disk file on
/// Windows). A directory, FIFO, device or socket gives null, as a missing file
/// does; a FIFO without a writer is never waited for. Null for a null path.
std::FILE* openRegularFileForReading(const char* path);

/// True when the name is taken as it stands: a second character ':' on
/// Windows ("C:..."), a leading '/' on POSIX.
bool isAbsoluteIniName(const char* name);

}  // namespace config
}  // namespace util

#endif
