// The text conversions behind the computer identifier: drive identify words to
// serial and model texts, hex-pair descriptor texts to bytes, and the acceptance
// test that a serial text must pass. Plain computation, no OS calls; internal to
// the library (tests reach it through util_internal).
//
// Both converters return a pointer into a buffer of their own that the next call
// overwrites; neither is reentrant. Results are always NUL-terminated.
#ifndef UTIL_IDENTITY_DRIVE_TEXT_H
#define UTIL_IDENTITY_DRIVE_TEXT_H

#include <cstddef>
#include <cstdint>

namespace util {
namespace identity {

/// Number of words in an ATA IDENTIFY (PACKET) DEVICE reply.
constexpr int kIdentifyWordCount = 256;
/// Bytes in an ATA identify reply.
constexpr std::size_t kIdentifyByteCount = 512;

/// Widens the 512 bytes of an identify reply (little-endian 16-bit words) into
/// 256 unsigned 32-bit values, word i in entry i.
void widenIdentifyBytes(const unsigned char* bytes, std::uint32_t words[kIdentifyWordCount]);

/// Widens an HDIO_GET_IDENTITY reply (the Linux IDE/libata ioctl). The kernel
/// hands the 256 words back in host order, except the serial (words 10-19),
/// firmware (23-26) and model (27-46) fields, which it has already turned into
/// plain character order (the first character at the lower address). Those fields
/// are put back into identify-word form (first character in the high byte), so
/// that identifyWordsToText gives the same texts as for a raw reply.
void widenKernelIdentifyReply(const unsigned char* reply, std::uint32_t words[kIdentifyWordCount]);

/// The characters of words[first..last], two per word, high byte first. A NUL
/// byte ends the text early; trailing blanks are cut, except that the first
/// character is never cut (all blanks give a single blank). first > last gives "".
/// `words` holds 256 entries: indices outside 0..255 add nothing, so at most 512
/// characters come out (well inside the 1024-byte result buffer). A null `words`
/// gives "".
char* identifyWordsToText(const std::uint32_t* words, int first, int last);

/// Decodes a descriptor serial given as hex digits, four to a 16-bit word, the two
/// bytes of each word swapped: "3132" gives "21". Missing positions of a short last
/// group count as '0', characters that are not hex digits count as 0, and bytes of
/// value 0 are dropped. At most 999 characters come out; the rest is dropped.
/// A null text counts as empty.
char* hexPairsToText(const char* text);

/// The acceptance test for a serial text: its first character, or its twentieth
/// where it has at least twenty, is an ASCII letter or digit. A null text fails.
bool serialTextIsAcceptable(const char* text);

/// Copies at most capacity - 1 bytes of `text` (null counts as empty) into
/// `buffer` and terminates it: the cut-to-fit rule of every working buffer.
void copyTextCut(char* buffer, std::size_t capacity, const char* text);

}  // namespace identity
}  // namespace util

#endif
