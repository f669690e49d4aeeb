// The packet capture log: Ethernet frames stored in, and read back from, files in
// the classic pcap capture-file format (little-endian, version 2.4, microsecond
// timestamps, link type 1, snapshot length 65535), so the usual capture tools open
// them.
//
//   void* log = EthrOpenLog("tunnel.pcap", 10 * 1024 * 1024);  // null: not created
//   EthrLogPacket(log, frame, frameLength);   // stamped with the current UTC time
//   EthrCloseLog(log);
//
//   void* in = EthrReadLog("tunnel.pcap");    // null: missing, or not such a log
//   unsigned char buffer[65536];
//   unsigned long length = sizeof buffer;
//   while (EthrReadPacket(in, buffer, &length)) { use(buffer, length); length = sizeof buffer; }
//   EthrCloseLog(in);
//
// Every handle carries its own lock: any number of threads may log to, or read
// from, one handle, and each record (16-byte header and data) is written or read
// whole, never interleaved with another. EthrCloseLog takes no lock: the caller
// makes sure nothing else runs on the handle then or later. Handles share nothing.
// On POSIX a process may fork while other threads log: no handle's lock is held
// at the moment of fork, so a child can still use the handles it inherits (with
// the stream's usual rules: data buffered before fork is in both processes).
// Nothing is reported beyond the results below; the library writes no diagnostics.
//
// Writing: EthrOpenLog creates or truncates the file and writes the 24-byte file
// header. EthrLogPacket writes a record header (seconds and microseconds since
// 1970 UTC, captured length = packet length = the frame length) and the frame
// unchanged, never cut to the snapshot length. A frame longer than 262,144 bytes
// (the largest record capture tools accept) is stored as its first 262,144 bytes:
// the captured length says 262,144, the packet length keeps the frame's true
// length, as capture tools store a frame cut to their snapshot length. Records are buffered in a 64 KiB
// stream buffer of the handle's own: they reach the file when it fills and at close. With a cap, a record is written
// while fewer than `cap` record bytes (headers and data, not the file header) have
// been written, so the record that crosses the cap is written whole and every
// later one is dropped in silence. Write errors are not reported.
//
// Platform differences. Windows opens the streams with the commit flag ("wbc",
// "rbc"), so the flush after the file header and the flush at close also commit
// the data to the disk; POSIX has no such mode and calls fsync after those two
// flushes instead. The time comes from GetSystemTimeAsFileTime on Windows and
// from clock_gettime(CLOCK_REALTIME) on POSIX, reduced to whole microseconds the
// same way. `unsigned long` is 32 bits on Windows and 64 bits on 64-bit POSIX.
//
// Choices where the design leaves one:
//  - A file that ends early is read up to its last whole record: a record whose
//    16-byte header or data is cut short counts as the end of the file (result 0,
//    length 0, and so for every later call); no byte that is not in the file is
//    ever reported. A file that ends inside its 24-byte header is accepted when
//    the magic and version bytes it does hold agree with D4 C3 B2 A1 02 00 04 00
//    (an empty file is accepted), and then holds no frame; otherwise it is refused.
//  - A path longer than 259 characters is cut to 259 in the handle's own copy
//    (which nothing reads back); the file is always opened with the whole path.
//  - The byte counter is 32 bits and stops at 0xFFFFFFFF instead of wrapping, so a
//    capped log never starts writing again after 4 GiB of records. A cap above
//    0xFFFFFFFF (possible only where unsigned long is 64 bits) could never be
//    reached by that counter and means no cap.
//  - A frame longer than 0xFFFFFFFF bytes (possible only where unsigned long is 64
//    bits) cannot be described by a record header and is dropped: nothing written.
//  - A time before 1970 would give a negative remainder; the split into seconds
//    and microseconds rounds down instead, so microseconds stay within 0..999,999.
//  - Paths and frame data are taken as const: the log never writes through them.
//  - A reading handle passed to EthrLogPacket, or a writing handle passed to
//    EthrReadPacket, does nothing harmful: nothing is written, nothing is read.
//  - EthrReadPacketEx (an addition) also hands back the record's time, and tells a
//    zero-length record and a skipped long record apart from the end of the file.
#ifndef UTIL_PCAP_PACKET_LOG_H
#define UTIL_PCAP_PACKET_LOG_H

#include "platform/export.h"

/// Creates (or truncates) the log file `path`, writes its file header and returns
/// a writing handle. `cap` is the size cap in record bytes, 0 for none.
/// Returns null for a null path, when memory runs out or when the file cannot be
/// created; nothing is left behind then.
UTIL_API void* EthrOpenLog(const char* path, unsigned long cap);

/// Appends one record holding `length` bytes of `data`, stamped with the current
/// time. Does nothing for a null handle or null data, once the cap is reached, and
/// for a length above 0xFFFFFFFF. Length 0 with non-null data writes a record
/// header with both lengths 0.
UTIL_API void EthrLogPacket(void* handle, const void* data, unsigned long length);

/// Closes the stream (flushing, and committing it to the disk as described above)
/// and frees the handle. Null is ignored. Takes no lock.
UTIL_API void EthrCloseLog(void* handle);

/// Opens an existing log for reading, positioned at its first record.
/// Returns null for a null path, when memory runs out, when the file cannot be
/// opened or its header cannot be read (a directory: refused on every platform), when its first four bytes are not D4
/// C3 B2 A1 (big-endian logs and the nanosecond variant are refused) or when its version is not 2.4.
UTIL_API void* EthrReadLog(const char* path);

/// Reads the next record. On entry *length is the buffer's capacity in bytes.
/// Returns 1 when a frame was delivered: its bytes are in `buffer` and *length is
/// their number (above 0). What is delivered is what the record stores: for a
/// frame that was cut when it was logged, the first 262,144 bytes. Returns 0 with *length = 0 at the end of the file,
/// for a cut record (see above), for a zero-length record, and for a record longer than the capacity, which is consumed
/// and lost (the next call reads the next record). A null handle, buffer or length gives 0 without reading or touching
/// *length.
UTIL_API int EthrReadPacket(void* handle, void* buffer, unsigned long* length);

/// EthrReadPacket that also reports the record's time and tells the cases apart.
/// Returns 1 for a whole record delivered (*length may be 0 for a zero-length
/// record); -1 for a record longer than the capacity, consumed and not delivered,
/// with *length set to the record's length; 0 at the end of the file or at a cut
/// record, with *length = 0. On 1 and -1 *seconds and *microseconds hold the
/// record's time (seconds since 1970 UTC, unsigned 32 bits). Null arguments give 0
/// and touch nothing.
UTIL_API int EthrReadPacketEx(void* handle, void* buffer, unsigned long* length, unsigned long* seconds,
                              unsigned long* microseconds);

#endif
