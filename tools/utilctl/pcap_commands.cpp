// utilctl pcap-dump FILE: lists each frame of a packet log (number, UTC time to
// the microsecond, length) and its bytes as hex-dump lines:
//   frame 1  2024-03-05 14:07:09.042000 UTC  length 3
//     0000  41 42 00                                         AB.
// then "N frames". A frame longer than the tool's 16 MiB buffer is listed with
// its length and "bytes not shown". A log cut short is listed up to its last
// whole record.
//
// utilctl pcap-write FILE [--cap BYTES]: writes one frame per line of standard
// input, each line hexadecimal digits in pairs ("0a1B2c", spaces and tabs between
// pairs allowed). Blank lines are skipped. A line that is not such text stops the
// command with exit status 1; the frames before it stay in the file.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
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

void printFrameLine(unsigned long number, unsigned long seconds, unsigned long microseconds,
                    unsigned long length) {
    int year = 0;
    unsigned month = 0, day = 0;
    civilFromDays(static_cast<long long>(seconds / 86400), &year, &month, &day);
    const unsigned long secondOfDay = seconds % 86400;
    std::printf("frame %lu  %04d-%02u-%02u %02lu:%02lu:%02lu.%06lu UTC  length %lu\n", number, year,
                month, day, secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60, microseconds,
                length);
}

int runDump(int argc, char** argv);
int runWrite(int argc, char** argv);

const utilctl::Command kDump{"pcap-dump", "FILE",
                             "list the frames of a packet log with their times and bytes", runDump};
const utilctl::Command kWrite{"pcap-write", "FILE [--cap BYTES]",
                              "write a packet log, one frame per line of hex text on stdin", runWrite};
const utilctl::CommandRegistration registerDump(kDump);
const utilctl::CommandRegistration registerWrite(kWrite);

int runDump(int argc, char** argv) {
    if (argc != 2) {
        return utilctl::usageError(kDump, "expected one FILE");
    }
    void* log = EthrReadLog(argv[1]);
    if (log == nullptr) {
        std::fprintf(stderr, "utilctl: '%s' cannot be read as a packet log\n", argv[1]);
        return utilctl::kFailure;
    }
    std::vector<unsigned char> buffer(kDumpCapacity);
    unsigned long number = 0;
    for (;;) {
        unsigned long length = kDumpCapacity, seconds = 0, microseconds = 0;
        const int result = EthrReadPacketEx(log, buffer.data(), &length, &seconds, &microseconds);
        if (result == 0) {
            break;
        }
        printFrameLine(++number, seconds, microseconds, length);
        if (result == 1) {
            printDump(buffer.data(), length);
        } else {
            std::printf("  (bytes not shown: longer than %lu)\n", kDumpCapacity);
        }
    }
    EthrCloseLog(log);
    std::printf("%lu frames\n", number);
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

bool parseCap(const char* text, unsigned long* cap) {
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    *cap = std::strtoul(text, &end, 10);
    return errno == 0 && *end == '\0';
}

int runWrite(int argc, char** argv) {
    unsigned long cap = 0;
    if (argc == 4 && std::strcmp(argv[2], "--cap") == 0) {
        if (!parseCap(argv[3], &cap)) {
            return utilctl::usageError(kWrite, "--cap needs a number of bytes");
        }
    } else if (argc != 2) {
        return utilctl::usageError(kWrite, "expected FILE and optionally --cap BYTES");
    }
    void* log = EthrOpenLog(argv[1], cap);
    if (log == nullptr) {
        std::fprintf(stderr, "utilctl: cannot create '%s'\n", argv[1]);
        return utilctl::kFailure;
    }
    std::string line;
    std::vector<unsigned char> frame;
    unsigned long lineNumber = 0;
    int status = utilctl::kSuccess;
    while (readLine(stdin, &line)) {
        ++lineNumber;
        if (!decodeHexLine(line, &frame)) {
            std::fprintf(stderr, "utilctl: line %lu: not hexadecimal text in pairs\n", lineNumber);
            status = utilctl::kFailure;
            break;
        }
        if (!frame.empty()) {
            EthrLogPacket(log, frame.data(), frame.size());
        }
    }
    EthrCloseLog(log);
    return status;
}

}  // namespace
