// ZnIniReader: reads and writes one INI file through the platform's profile
// functions.
//
// The file's path is fixed once by SetINIFileName (a relative name is joined to
// the current directory of that moment). Lists of section names or of a
// section's lines are handed out as separate strings copied into buffers the
// caller owns, with a two-call protocol:
//
//   ZnIniReader ini("client.ini");
//   unsigned long count = 0, size = 0;
//   ini.GetSectionNames(nullptr, &count, &size);   // returns 0, fills count and size
//   std::vector<std::vector<char>> store(count, std::vector<char>(size));
//   std::vector<char*> names; for (auto& s : store) names.push_back(s.data());
//   ini.GetSectionNames(names.data(), &count, &size);  // returns 1
//
// Platform differences. Windows calls GetPrivateProfileStringA,
// GetPrivateProfileSectionA, GetPrivateProfileSectionNamesA and
// WritePrivateProfileStringA and takes a name as it stands when its second
// character is ':'; other names are joined to GetCurrentDirectoryA with '\\'.
// POSIX has no profile functions: the library's own engine reads and edits the
// file with the same results (names compared without regard to ASCII case,
// blanks round names and values dropped, one pair of outer quotes removed from a
// value, ';' lines are comments, the first of duplicate sections and keys wins;
// writes keep every other line of the file byte for byte, new lines end like
// the file's first line (LF in a new file), a write whose section, key or value
// holds CR or LF is refused; the lines before the first header are the section
// ""). POSIX reads only regular files: a directory, FIFO or device reads as a
// missing file and is never written. Reads keep one line (at most 1 MiB of it)
// in memory. A write edits the file in place (the target of a symbolic link)
// under an exclusive advisory lock (flock) held across read, edit and write,
// which readers share, so writes of several threads and processes never undo
// each other; owner, mode and hard links stay. A file the caller cannot write,
// or one without any write permission bit (the read-only attribute of Windows,
// refused even to root), is refused. Should the write fail midway, the old
// bytes are put back. Files that start with a UTF-16 mark (either byte order)
// are read as UTF-16 and written back in it, their text handed to the caller as
// UTF-8 (Windows hands it over in the ANSI code page); a write whose text is not
// UTF-8 is refused for such a file, never stored in a second encoding. A UTF-8
// mark is kept. There a name is taken as it stands when it starts with '/', and
// others are joined to the current directory with '/'; a current directory too
// long for the join leaves ini_path empty, never a relative name.
//
// Choices made where the design leaves one (all tested):
//  - A path that would not fit in ini_path (511 characters), given whole or made
//    by the join, is not stored cut: ini_path becomes empty. So does a null name.
//  - With ini_path empty (also before any SetINIFileName) no operation touches a
//    file: GetKeyValue leaves the empty string, SetKey and SectionExists return 0,
//    and the lists are empty.
//  - When the list buffer cannot be allocated (or would pass 2 GiB),
//    GetSectionNames and GetSectionData return 0 with count and size set to 0;
//    a real "too small" always reports a size of at least 1.
//  - RetriveStrings treats a null string array, or a null element in it, as
//    space too small (it reports count and size and returns 0); a null count or
//    size pointer gives 0 and touches nothing.
//
// Thread-safety: an object may be shared by threads that only read;
// SetINIFileName and assignment must not run while another thread uses it.
#ifndef UTIL_CONFIG_INI_READER_H
#define UTIL_CONFIG_INI_READER_H

#include "platform/export.h"

class UTIL_API ZnIniReader {
public:
    /// ini_path is empty until SetINIFileName.
    ZnIniReader();
    /// As the default constructor followed by SetINIFileName(fileName).
    ZnIniReader(const char* fileName);
    ZnIniReader(const ZnIniReader& other);
    ZnIniReader& operator=(const ZnIniReader& other);
    virtual ~ZnIniReader();

    /// Fixes the file's path (see above for the platform rules and long names).
    virtual void SetINIFileName(const char* fileName);

    /// The lines of `section` ("key=value", or a line without '=' as it stands)
    /// through the two-call protocol of RetriveStrings. Returns 1 when copied, 0
    /// when the caller's space is too small (count and size then say what is needed).
    virtual int GetSectionData(const char* section, char** strings, unsigned long* count, unsigned long* size);

    /// All section names, as GetSectionData.
    virtual int GetSectionNames(char** strings, unsigned long* count, unsigned long* size);

    /// 1 when the section holds at least one key, else 0 (a section with a header
    /// only counts as absent).
    virtual int SectionExists(const char* section);

    /// Writes key=value in section; a null value deletes the key, a null key the
    /// whole section. Returns nonzero on success, 0 on failure.
    /// Refused on both platforms with 0, the file untouched, because the line
    /// written would not read back as itself (and could add keys or sections):
    /// CR or LF in the section, key or value; '=' in the key; ']' in the
    /// section; a key whose first character after blanks is '[' or ';'.
    virtual long SetKey(const char* value, const char* key, const char* section);

    /// The key's value into buffer (size bytes with the NUL), cut to fit; the
    /// empty string when the file, section or key is missing.
    virtual void GetKeyValue(const char* key, const char* section, char* buffer, unsigned long size);

protected:
    /// Splits `list` (length bytes of NUL-terminated strings) into the caller's
    /// buffers. When *count is below the number of strings n, or *size below the
    /// longest length + 1, sets *count = n and *size = longest + 1 and returns 0;
    /// otherwise copies every string and returns 1, leaving count and size as passed.
    virtual int RetriveStrings(const char* list, unsigned long length, char** strings, unsigned long* count,
                               unsigned long* size);

    char ini_path[512];

private:
    int GetList(const char* section, bool names, char** strings, unsigned long* count, unsigned long* size);
};

#endif
