// getHardDriveComputerID: a number that identifies this computer, made from the
// serial and model texts of its first fixed disk whose serial looks real.
//
//   long id = getHardDriveComputerID();   // e.g. 501311234 for a "WDC " drive
//
// The drives are asked for their identity in a fixed order; the first drive whose
// serial text passes the acceptance test (first character, or twentieth where
// there are twenty, an ASCII letter or digit) supplies both texts. The serial is
// folded into a number (a leading "WD-W" and the character after it skipped,
// '-' ignored, each other character multiplying by 10 and adding 1..9 for digits
// '1'..'9' and 10..35 for letters), reduced modulo 100000000 with the sign of the
// 64-bit fold, and a vendor offset from the model text is added: 300000000 for
// "IBM-", 400000000 for "MAXTOR"/"Maxtor", 500000000 for "WDC ", else 600000000.
//
// Windows: with platform id 2 (NT and later) the SMART, SCSI-miniport and storage
// property readers run in that order over \\.\PhysicalDrive0..15 and \\.\Scsi0..15:;
// on Windows 95/98/Me the legacy driver \\.\IDE21201.VXD is asked up to 10 times,
// raising the process to real-time priority meanwhile and showing a message box
// each time it is missing. Under Wine no drive answers IDENTIFY.
// Linux: first ATA IDENTIFY DEVICE through the kernel for each disk (HDIO_GET_IDENTITY,
// else SG_IO with ATA PASS-THROUGH(16)), then the storage layer's own serial and model
// texts in sysfs (NVMe, virtio, SCSI VPD page 0x80 serials). Disks are the entries of
// /sys/block that have a device behind them and are not removable, in byte order of
// their names (sda, sdb, ..., vda). IDENTIFY needs read access to /dev/<disk> (root
// or the disk group); without it, or in a container without disks, the sysfs texts
// or nothing answer. sysfs texts lose their line end and trailing blanks (the first
// character is never cut), as identify texts do.
//
// Failure: none reaches the caller. When no drive is accepted the result is the
// vendor offset alone: 600000000.
//
// Choices made here:
//  - Both the serial and the model text are cleared at the start of every
//    computation, so a computation that accepts no drive, or one whose serial came
//    from a media serial number without a model, never takes its vendor offset
//    from a model left by an earlier call.
//  - Where no drive interface exists the readers simply find nothing.
//  - Replies are never read past their end: a storage descriptor whose serial or
//    product offset points outside its 10000-byte reply counts as having no such
//    text, and a text that runs to the end of the reply ends there.
//  - getHardDriveComputerIDTexts below is an addition for diagnostics only.
//
// Not reentrant and not thread-safe: the texts are module-level state without a
// lock; two computations must not run at once.
#ifndef UTIL_IDENTITY_COMPUTER_ID_H
#define UTIL_IDENTITY_COMPUTER_ID_H

#include "platform/export.h"

/// The identifier: 200000001 to 699999999 (300000000 to 699999999 unless a serial
/// of 19 or more counted characters wraps the fold negative). Never fails.
UTIL_API long getHardDriveComputerID();

/// What the last getHardDriveComputerID in this process chose, for diagnostics
/// (utilctl computer-id -v): the serial and model texts and the reader that
/// supplied them ("" for all three while no drive was accepted). Windows readers:
/// "smart", "scsi miniport", "storage query", "legacy driver"; Linux readers:
/// "ata identify", "sysfs". Each pointer argument may be null. The texts are the
/// module's own buffers: valid until the next computation, not to be written.
UTIL_API void getHardDriveComputerIDTexts(const char** serialText, const char** modelText, const char** readerName);

#endif
