// The chosen drive's texts and the identifier arithmetic. Every drive reader hands
// what it finds here; the first drive whose serial passes the acceptance test
// fixes the serial and model texts of a computation. Internal to the library.
//
// Module-level state without a lock: one computation at a time (see computer_id.h).
#ifndef UTIL_IDENTITY_DRIVE_STORE_H
#define UTIL_IDENTITY_DRIVE_STORE_H

#include <cstddef>
#include <cstdint>

namespace util {
namespace identity {

constexpr std::size_t kDriveTextCapacity = 1024;

/// Serial text of the chosen drive: cleared at the start of every computation,
/// set at most once per computation, kept after it.
extern char driveSerialText[kDriveTextCapacity];
/// Model text of the chosen drive: cleared with the serial text at the start of
/// every computation, so a stale model never picks the vendor offset.
extern char driveModelText[kDriveTextCapacity];

/// Serial text = identifyWordsToText(words, 10, 19) and model text =
/// identifyWordsToText(words, 27, 46), when no drive has been accepted yet in
/// this computation and the serial passes the acceptance test; otherwise nothing.
void storeDriveIdentity(const std::uint32_t words[256]);

/// The same choice for texts a reader already holds (descriptor or media serial,
/// storage layer texts): when no drive has been accepted yet and `serial` passes,
/// stores it (cut to 1023 characters) and, when `model` is not null, the model.
/// A null `model` leaves the model text as it is. Returns true when it stored.
bool storeDriveTexts(const char* serial, const char* model);

/// The serial text folded into a 64-bit accumulator: after a leading "WD-W" the
/// first five characters are skipped; '-' is passed over; every other character
/// multiplies by 10, then adds 1..9 for '1'..'9' and 10..35 for letters of either
/// case, 0 for anything else. Wraps modulo 2^64; the result is read as signed.
std::int64_t foldSerialText(const char* serial);

/// 300000000 for "IBM-", 400000000 for "MAXTOR" or "Maxtor", 500000000 for "WDC ",
/// else 600000000; case-sensitive substring tests in that order. Null counts as "".
long vendorOffset(const char* model);

/// The identifier for a serial and model text: the fold (only when the first byte,
/// taken as signed, is positive) modulo 100000000 with the accumulator's sign,
/// plus the vendor offset.
long identifierFromTexts(const char* serial, const char* model);

/// One full computation: clears both texts and the reader name, runs `readDrives`
/// (which hands drives to the store functions), and returns the identifier of
/// whatever was chosen.
long computeHardDriveComputerID(void (*readDrives)());

/// Records `name` as the reader that supplied the texts, when a drive has been
/// chosen and no reader is recorded yet; each platform calls it after each reader.
/// `name` must live for the process (a string literal).
void noteDriveTextSource(const char* name);
/// The recorded reader: "" while no drive is chosen.
const char* driveTextSource();

/// The platform's readers in their fixed order (defined in the platform's file).
void readAllDrives();

}  // namespace identity
}  // namespace util

#endif
