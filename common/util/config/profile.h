// The platform's profile (INI file) functions, as ZnIniReader uses them, and the
// current-directory query of SetINIFileName. Internal.
//
// Windows calls GetPrivateProfileStringA, GetPrivateProfileSectionA,
// GetPrivateProfileSectionNamesA, WritePrivateProfileStringA and
// GetCurrentDirectoryA. POSIX reads the file and runs the INI engine
// (profile_engine.h) on its text; a write stores the edited text through a
// temporary file in the same directory that then replaces the file, so a failed
// write never leaves a half-written file. One process-wide lock serialises the
// POSIX calls, as the Windows functions serialise theirs.
#ifndef UTIL_CONFIG_PROFILE_H
#define UTIL_CONFIG_PROFILE_H

#include <cstddef>

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

/// The current directory into buffer (size bytes with the NUL); false when it
/// cannot be read or does not fit.
bool currentDirectory(char* buffer, std::size_t size);
/// The separator joined between the current directory and a relative name.
extern const char kIniPathSeparator;
/// True when the name is taken as it stands: a second character ':' on
/// Windows ("C:..."), a leading '/' on POSIX.
bool isAbsoluteIniName(const char* name);

}  // namespace config
}  // namespace util

#endif
