// utilctl errtext, wsaerr, hexdump: the library's error texts and hex dump.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "log/debug_print.h"
#include "log/last_error.h"

namespace {

// Parses a decimal or 0x-prefixed code; false for anything else.
bool parseCode(const char* text, unsigned long* code) {
    if (text == nullptr || *text == '\0' || *text == '-' || *text == '+' || *text == ' ') {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    *code = std::strtoul(text, &end, 0);
    return errno == 0 && *end == '\0';
}

// Prints a text without its own line end, then one line feed.
int printText(const char* text, unsigned long code) {
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.pop_back();
    }
    if (line.empty()) {
        std::fprintf(stderr, "utilctl: no text for code %lu\n", code);
        return utilctl::kFailure;
    }
    std::printf("%s\n", line.c_str());
    return utilctl::kSuccess;
}

int runErrorText(int argc, char** argv);
int runWinsockText(int argc, char** argv);
int runHexDump(int argc, char** argv);

const utilctl::Command kErrorText{"errtext", "CODE", "the system's message for an error code (LastError)",
                                  &runErrorText};
const utilctl::Command kWinsockText{"wsaerr", "CODE", "the library's text for a Winsock error code",
                                    &runWinsockText};
const utilctl::Command kHexDump{"hexdump", "FILE", "the file as DumpData lays it out, on standard output",
                                &runHexDump};

int runErrorText(int argc, char** argv) {
    unsigned long code = 0;
    if (argc != 2 || !parseCode(argv[1], &code)) {
        return utilctl::usageError(kErrorText, "expected one numeric CODE");
    }
    LastError error(code);
    return printText(error, code);
}

int runWinsockText(int argc, char** argv) {
    unsigned long code = 0;
    if (argc != 2 || !parseCode(argv[1], &code)) {
        return utilctl::usageError(kWinsockText, "expected one numeric CODE");
    }
    WinsockLastError error(code);
    return printText(error, code);
}

void writeToStandardOutput(const char* text) { std::fputs(text, stdout); }

int runHexDump(int argc, char** argv) {
    if (argc != 2) {
        return utilctl::usageError(kHexDump, "expected one FILE");
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "utilctl: cannot open %s: %s\n", argv[1], std::strerror(errno));
        return utilctl::kFailure;
    }
    const std::size_t kLimit = 256u << 20;  // DumpData takes an unsigned int size; keep it sane
    std::vector<char> data;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && data.size() <= kLimit) {
        data.insert(data.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || data.size() > kLimit) {
        std::fprintf(stderr, "utilctl: %s: %s\n", argv[1], failed ? "read error" : "larger than 256 MiB");
        return utilctl::kFailure;
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardOutput);
    DumpData(argv[1], data.data(), static_cast<unsigned int>(data.size()));
    util::setDebugOutputSink(previous);
    return std::fflush(stdout) == 0 ? utilctl::kSuccess : utilctl::kFailure;
}

const utilctl::CommandRegistration registerErrorText(kErrorText);
const utilctl::CommandRegistration registerWinsockText(kWinsockText);
const utilctl::CommandRegistration registerHexDump(kHexDump);

}  // namespace
