// utilctl errtext, wsaerr, hexdump: the library's error texts and hex dump.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "command.h"
#include "platform.h"
#include "log/debug_print.h"
#include "log/last_error.h"

namespace {

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

int runErrorText(const utilctl::Arguments& arguments);
int runWinsockText(const utilctl::Arguments& arguments);
int runHexDump(const utilctl::Arguments& arguments);

const utilctl::Command kErrorText{"errtext", "CODE", "the system's message for an error code (LastError)",
                                  &runErrorText};
const utilctl::Command kWinsockText{"wsaerr", "CODE", "the library's text for a Winsock error code", &runWinsockText};
const utilctl::Command kHexDump{"hexdump", "FILE", "the file as DumpData lays it out, on standard output", &runHexDump};

// One CODE from 0 to 4294967295, decimal or 0x hexadecimal.
bool codeOperand(const utilctl::Arguments& arguments, unsigned long* code) {
    return arguments.operands.size() == 1 && utilctl::parseNumber(arguments.operands[0], 0, 0xFFFFFFFFul, code);
}

int runErrorText(const utilctl::Arguments& arguments) {
    unsigned long code = 0;
    if (!codeOperand(arguments, &code)) {
        return utilctl::usageError(kErrorText, "expected one CODE from 0 to 4294967295 (decimal, or hex after 0x)");
    }
    LastError error(code);
    return printText(error, code);
}

int runWinsockText(const utilctl::Arguments& arguments) {
    unsigned long code = 0;
    if (!codeOperand(arguments, &code)) {
        return utilctl::usageError(kWinsockText, "expected one CODE from 0 to 4294967295 (decimal, or hex after 0x)");
    }
    WinsockLastError error(code);
    return printText(error, code);
}

void writeToStandardOutput(const char* text) { std::fputs(text, stdout); }

int runHexDump(const utilctl::Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return utilctl::usageError(kHexDump, "expected one FILE");
    }
    const char* name = arguments.operands[0];
    const bool standardInput = utilctl::isStandardStream(name);
    if (standardInput) {
        utilctl::setBinaryMode(stdin);
    }
    std::FILE* file = standardInput ? stdin : std::fopen(name, "rb");
    if (file == nullptr) {
        return utilctl::failure("cannot open %s: %s", name, std::strerror(errno));
    }
    const std::size_t kLimit = 256u << 20;  // DumpData takes an unsigned int size; keep it sane
    std::vector<char> data;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && data.size() <= kLimit) {
        data.insert(data.end(), chunk, chunk + got);
    }
    const bool failed = std::ferror(file) != 0;
    if (!standardInput) {
        std::fclose(file);
    }
    if (failed || data.size() > kLimit) {
        return utilctl::failure("%s: %s", name, failed ? "read error" : "larger than 256 MiB");
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardOutput);
    DumpData(standardInput ? "stdin" : name, data.data(), static_cast<unsigned int>(data.size()));
    util::setDebugOutputSink(previous);
    return utilctl::kSuccess;
}

const utilctl::CommandRegistration registerErrorText(kErrorText);
const utilctl::CommandRegistration registerWinsockText(kWinsockText);
const utilctl::CommandRegistration registerHexDump(kHexDump);

}  // namespace
