// The bytes of an INI file as the INI engine sees them: the encoding its byte-
// order mark names, the conversion of UTF-16 files to and from the engine's
// 8-bit text, and a line-by-line reader over an open file that keeps one line in
// memory. Portable; internal to the POSIX profile functions (and their tests).
//
// Encodings, as the Windows profile functions tell them apart:
//  - FF FE: UTF-16 little-endian; FE FF: UTF-16 big-endian. The engine sees the
//    text as UTF-8 (the narrow encoding of POSIX). A surrogate that has no partner
//    is carried as its own three-byte sequence, so every file of an even number
//    of bytes converts back to exactly the same bytes.
//  - EF BB BF: UTF-8 with a mark; the engine sees what follows the mark.
//  - Anything else: bytes, taken as they are.
// Writes store the text in the file's own encoding, mark included; a new or
// empty file is written as bytes.
#ifndef UTIL_CONFIG_PROFILE_TEXT_H
#define UTIL_CONFIG_PROFILE_TEXT_H

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "config/profile_engine.h"

namespace util {
namespace config {

enum class ProfileEncoding { kBytes, kUtf8Marked, kUtf16Little, kUtf16Big };

/// The encoding that the file's first bytes name (kBytes without a mark), and the
/// mark's length in *markLength.
ProfileEncoding encodingOf(std::string_view start, std::size_t* markLength);

/// The engine's text for a file's bytes. Returns false when the bytes do not
/// convert back to themselves (a UTF-16 file of an odd length): such a file may
/// be read, but must not be written.
bool decodeProfileText(std::string_view bytes, std::string& text);

/// The file's bytes for the engine's text in `encoding`, mark included. Returns
/// false when the text cannot be stored in it (bytes that are not UTF-8, for a
/// UTF-16 file).
bool encodeProfileText(std::string_view text, ProfileEncoding encoding, std::string& bytes);

/// The lines of an open file, decoded as its mark says, read in chunks: memory
/// holds one chunk and one line (at most kLongestLine bytes). A read error ends
/// the file.
class StreamLines final : public LineSource {
public:
    explicit StreamLines(std::FILE* file) : file_(file) {}
    bool next(std::string_view& content) override;

private:
    bool nextRawByte(unsigned char& byte);
    bool nextUnit(unsigned& unit);     // one UTF-16 code unit
    bool nextDecodedByte(char& byte);  // one byte of the engine's text

    std::FILE* file_;
    ProfileEncoding encoding_ = ProfileEncoding::kBytes;
    bool started_ = false;
    unsigned char chunk_[16384];
    std::size_t have_ = 0;
    std::size_t at_ = 0;
    bool unitHeld_ = false;  // a unit read after a high surrogate it did not pair with
    unsigned heldUnit_ = 0;
    char decoded_[4];
    std::size_t decodedHave_ = 0;
    std::size_t decodedAt_ = 0;
    bool byteHeld_ = false;  // the byte after a lone CR, taken back
    char heldByte_ = 0;
    std::string line_;
};

}  // namespace config
}  // namespace util

#endif
