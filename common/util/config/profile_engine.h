// The INI ("profile") engine: reads and edits the text of an INI file with the
// results that the Windows profile functions give. Portable and file-free: the
// caller supplies the file's lines (or its whole text, for an edit) and stores
// the edited text. Internal; the POSIX profile functions are built on it.
//
// File format, as the Windows profile functions read it:
//  - Lines end at LF, CR or CR LF. Spaces and tabs around every line, name and
//    value are dropped. Only the first kLongestLine bytes of a line are read.
//  - "[name]" starts a section; the name lies between the '[' and the line's last
//    ']' ("[ name ]" names "name"). A '[' line without ']' is an ordinary line.
//  - The lines before the first header form a section of the empty name "", as
//    they do for the Windows functions; it is never listed among the names.
//  - A line whose first non-blank character is ';' is a comment; there are no
//    comments within a line.
//  - "key=value": the key is the text before the first '=', the value the rest.
//    One matching pair of outer quotes (' or ") is removed from a value (and
//    from a default) when it is read. A line without '=' is no key, but a
//    section listing returns it as it stands. A key may be empty ("=value"); a
//    key-name list that starts with it reads as empty, as the Windows functions
//    give it.
//  - Names are compared without regard to case (ASCII letters; other bytes
//    exactly). The first of duplicate sections, and the first of duplicate keys
//    in it, wins; later duplicates are invisible except in the section-name list.
//
// Buffers: a value cut to fit gives size - 1 characters and the result size - 1;
// a list (names, keys, key lines) that does not fit in size - 1 bytes is cut,
// ends with two NULs at size - 2 and size - 1, and gives size - 2, even when it
// would fit exactly without its final spare byte. A size of 0 writes nothing.
//
// Editing keeps every line it does not change byte for byte:
//  - setting a key rewrites its first line as "key=value" (the file's spelling of
//    the key); a new key goes after the section's last key line (or its header;
//    at the start of the file for the section ""); a new section goes at the end
//    of the file, as "[section]" and "key=value";
//  - a null value deletes the key's first line; a null key deletes the first
//    section of that name with all its lines up to the next header;
//  - new lines end like the file's first line (CR LF or LF); LF in a file that has
//    no line end yet;
//  - a section, key or value holding CR or LF is refused, so that a write can
//    never add lines the caller did not ask for; so is a null section.
//
// Memory: reads keep one line at a time; an edit scans the text without keeping
// a record per line. The functions throw std::bad_alloc when memory runs out;
// the profile functions built on them turn that into their failure result.
#ifndef UTIL_CONFIG_PROFILE_ENGINE_H
#define UTIL_CONFIG_PROFILE_ENGINE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace util {
namespace config {

/// The bytes of one line that are read; the rest of a longer line is skipped.
constexpr std::size_t kLongestLine = 1024 * 1024;

/// The lines of an INI file, one at a time.
class LineSource {
public:
    /// The next line without its line end (at most kLongestLine bytes of it),
    /// valid until the next call. False at the end of the file.
    virtual bool next(std::string_view& content) = 0;

protected:
    ~LineSource() = default;
};

/// The lines of a text held in memory.
class TextLines final : public LineSource {
public:
    explicit TextLines(std::string_view text) : text_(text) {}
    bool next(std::string_view& content) override;

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

/// `lines` is the file, or null when the file could not be read (every read then
/// gives the default or an empty list).
/// A null section lists the section names; a null key lists the section's key
/// names (the default when there are none); otherwise the key's value or the
/// default (trailing spaces of the default dropped). Returns the characters
/// stored in buffer, not counting the final NUL.
unsigned long profileGetString(LineSource* lines, const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned long size);

/// Every line of the section that is not blank or a comment, as "key=value" or
/// as it stands, in a NUL-separated list. Returns the list's length.
unsigned long profileGetSection(LineSource* lines, const char* section, char* buffer, unsigned long size);

/// The names of all sections, duplicates included, in file order.
unsigned long profileGetSectionNames(LineSource* lines, char* buffer, unsigned long size);

/// The same three over a whole text (null: no file).
unsigned long profileGetString(const std::string* text, const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned long size);
unsigned long profileGetSection(const std::string* text, const char* section, char* buffer, unsigned long size);
unsigned long profileGetSectionNames(const std::string* text, char* buffer, unsigned long size);

enum class ProfileEdit {
    kRefused,    // bad arguments: nothing to store, the call fails
    kUnchanged,  // succeeded without changing the text (for instance deleting an absent key)
    kChanged     // the text was changed and must be stored
};

/// Applies one write of the profile functions to `text`.
ProfileEdit profileWriteString(std::string& text, const char* section, const char* key, const char* value);

}  // namespace config
}  // namespace util

#endif
