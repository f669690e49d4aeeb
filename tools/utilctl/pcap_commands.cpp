// utilctl pcap-dump FILE: lists each frame of a packet log (number, UTC time to
// the microsecond, length) and its bytes as hex-dump lines:
//   frame 1  2024-03-05 14:07:09.042000 UTC  length 3
//     0000  41 42 00                                         AB.
// then "N frames". A frame longer than the tool's 16 MiB buffer is listed with
// its length and "bytes not shown". A log cut short is listed up to its last
// whole record, and standard error says where it ends. FILE may be "-".
//
// utilctl pcap-write FILE [--cap BYTES]: writes one frame per line of standard
// input, each line hexadecimal digits in pairs ("0a1B2c", spaces and tabs between
// pairs allowed). Blank lines are skipped. A line that is not such text stops the
// command with exit status 1; the frames before it stay in the file. Frames that
// the cap keeps out are counted on standard error (the exit status stays 0).
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "command.h"
#include "log/debug_print.h"
#include "pcap/packet_log.h"

namespace {

constexpr unsigned long kDumpCapacity = 16ul * 1024 * 1024;

// DumpData's lines go to standard output, without its title line: the frame
// line before them already gives the length.
bool dumpTitlePending = false;

void printDumpLine(const char* text) {
    if (dumpTitlePending) {
        dumpTitlePending = false;
        return;
    }
    std::fputs(text, stdout);
}

void printDump(const unsigned char* bytes, unsigned long size) {
    if (size == 0) {
        return;
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&printDumpLine);
    dumpTitlePending = true;
    DumpData("frame", reinterpret_cast<const char*>(bytes), static_cast<unsigned int>(size));
    util::setDebugOutputSink(previous);
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
void civilFromDays(long long days, int* year, unsigned* month, unsigned* day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    *day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    *month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    *year = static_cast<int>(yearOfEra + era * 400 + (*month <= 2 ? 1 : 0));
}

void printFrameLine(unsigned long number, unsigned long seconds, unsigned long microseconds, unsigned long length) {
    int year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(static_cast<long long>(seconds / 86400), &year, &month, &day);
    const unsigned long secondOfDay = seconds % 86400;
    std::printf("frame %lu  %04d-%02u-%02u %02lu:%02lu:%02lu.%06lu UTC  length %lu\n", number, year, month, day,
                secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, microseconds, length);
}

int runDump(const utilctl::Arguments& arguments);
int runWrite(const utilctl::Arguments& arguments);

const utilctl::Command kDump{"pcap-dump", "FILE", "list the frames of a packet log with their times and bytes",
                             runDump};
const utilctl::Command kWrite{"pcap-write",
                              "FILE [--cap BYTES]",
                              "write a packet log, one frame per line of hex text on stdin",
                              runWrite,
                              "--cap=",
                              "Each line holds hexadecimal digits in pairs (blanks between pairs allowed);\n"
                              "blank lines are skipped. With --cap, frames are written while fewer than BYTES\n"
                              "record bytes (16 per record header plus the data) are written; the frames left\n"
                              "out are counted on standard error."};
const utilctl::CommandRegistration registerDump(kDump);
const utilctl::CommandRegistration registerWrite(kWrite);

int runDump(const utilctl::Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return utilctl::usageError(kDump, "expected one FILE");
    }
    utilctl::InputFile input(arguments.operands[0]);
    if (!input.ready()) {
        return utilctl::failure("cannot read standard input");
    }
    void* log = EthrReadLog(input.path());
    if (log == nullptr) {
        std::error_code error;
        if (!std::filesystem::exists(input.path(), error)) {
            return utilctl::failure("cannot open '%s': %s", input.name(), std::strerror(ENOENT));
        }
        return utilctl::failure("'%s' cannot be read as a packet log", input.name());
    }
    std::vector<unsigned char> buffer(kDumpCapacity);
    unsigned long number = 0;
    unsigned long long consumed = 24;  // the file header, then each record's header and data
    for (;;) {
        unsigned long length = kDumpCapacity, seconds = 0, microseconds = 0;
        const int result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds);
        if (result == 0 || std::ferror(stdout) != 0) {
            break;
        }
        consumed += 16 + static_cast<unsigned long long>(length);
        printFrameLine(++number, seconds, microseconds, length);
        if (result == 1) {
            printDump(buffer.data(), length);
        } else {
            std::printf("  (bytes not shown: longer than %lu)\n", kDumpCapacity);
        }
    }
    EthrCloseLog(log);
    std::printf("%lu frames\n", number);
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(input.path(), error);
    if (!error && std::ferror(stdout) == 0 && size != consumed) {
        if (size < 24) {
            std::fprintf(stderr, "utilctl: pcap-dump: '%s' ends inside its file header (%llu bytes)\n", input.name(),
                         static_cast<unsigned long long>(size));
        } else if (size > consumed) {
            std::fprintf(stderr,
                         "utilctl: pcap-dump: '%s' is cut short: %llu bytes after frame %lu are not a whole record\n",
                         input.name(), static_cast<unsigned long long>(size - consumed), number);
        }
    }
    return utilctl::kSuccess;
}

int hexValue(char character) {
    if (character >= '0' && character <= '9') return character - '0';
    if (character >= 'a' && character <= 'f') return character - 'a' + 10;
    if (character >= 'A' && character <= 'F') return character - 'A' + 10;
    return -1;
}

// Decodes pairs of hex digits, allowing blanks between pairs; false on anything else.
bool decodeHexLine(const std::string& text, std::vector<unsigned char>* frame) {
    frame->clear();
    std::size_t index = 0;
    while (index < text.size()) {
        const char character = text[index];
        if (character == ' ' || character == '\t' || character == '\r') {
            ++index;
            continue;
        }
        if (index + 1 >= text.size()) return false;
        const int high = hexValue(character);
        const int low = hexValue(text[index + 1]);
        if (high < 0 || low < 0) return false;
        frame->push_back(static_cast<unsigned char>(high << 4 | low));
        index += 2;
    }
    return true;
}

bool readLine(std::FILE* input, std::string* line) {
    line->clear();
    int character;
    while ((character = std::fgetc(input)) != EOF) {
        if (character == '\n') return true;
        line->push_back(static_cast<char>(character));
    }
    return !line->empty();
}

// Where the file cannot be created, the system's reason, found by creating it
// (and removing it again when it was not there before).
std::string whyNotCreated(const char* path) {
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    std::FILE* probe = std::fopen(path, "ab");
    if (probe == nullptr) {
        return std::strerror(errno);
    }
    std::fclose(probe);
    if (!existed) {
        std::remove(path);
    }
    return "the packet log could not be started";
}

int runWrite(const utilctl::Arguments& arguments) {
    unsigned long cap = 0;
    if (arguments.operands.size() != 1) {
        return utilctl::usageError(kWrite, "expected FILE and optionally --cap BYTES");
    }
    const char* capText = arguments.value("--cap");
    if (capText != nullptr && !utilctl::parseNumber(capText, 0, 0xFFFFFFFFul, &cap)) {
        return utilctl::usageError(kWrite, "--cap needs a number of bytes from 0 to 4294967295");
    }
    const char* path = arguments.operands[0];
    if (utilctl::isStandardStream(path)) {
        return utilctl::usageError(kWrite, "FILE is written: it cannot be standard output");
    }
    void* log = EthrOpenLog(path, cap);
    if (log == nullptr) {
        return utilctl::failure("cannot create '%s': %s", path, whyNotCreated(path).c_str());
    }
    std::string line;
    std::vector<unsigned char> frame;
    unsigned long lineNumber = 0, frames = 0, dropped = 0;
    unsigned long long recordBytes = 0;  // as the log counts them against the cap
    int status = utilctl::kSuccess;
    while (readLine(stdin, &line)) {
        ++lineNumber;
        if (!decodeHexLine(line, &frame)) {
            std::fprintf(stderr, "utilctl: line %lu: not hexadecimal text in pairs\n", lineNumber);
            status = utilctl::kFailure;
            break;
        }
        if (!frame.empty()) {
            ++frames;
            if (cap != 0 && recordBytes >= cap) {
                ++dropped;
            } else {
                recordBytes += 16 + frame.size();
            }
            EthrLogPacket(log, frame.data(), frame.size());
        }
    }
    EthrCloseLog(log);
    if (dropped > 0) {
        std::fprintf(stderr, "utilctl: pcap-write: the cap of %lu bytes was reached: %lu of %lu frames not written\n",
                     cap, dropped, frames);
    }
    return status;
}

}  // namespace
