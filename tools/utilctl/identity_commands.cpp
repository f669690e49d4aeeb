// utilctl computer-id [-v]: the hard-disk computer identifier, and with -v the
// serial and model texts behind it and the reader that supplied them.
#include <cstdio>
#include <cstring>

#include "command.h"
#include "identity/computer_id.h"

namespace utilctl {

namespace {

int runComputerId(const Arguments& arguments);

const Command kComputerId = {"computer-id", "[-v]",
                             "print the hard-disk computer identifier (-v: its serial, model and reader)",
                             runComputerId, "-v"};

// Quoted, with bytes outside printable ASCII as \xNN so drive texts cannot upset the terminal.
void printText(const char* label, const char* text) {
    std::printf("%s: \"", label);
    for (const unsigned char* position = reinterpret_cast<const unsigned char*>(text); *position != '\0'; ++position) {
        if (*position < 0x20 || *position >= 0x7F || *position == '"' || *position == '\\') {
            std::printf("\\x%02X", *position);
        } else {
            std::putchar(*position);
        }
    }
    std::printf("\"\n");
}

int runComputerId(const Arguments& arguments) {
    if (!arguments.operands.empty()) {
        return usageError(kComputerId, "takes no operands");
    }
    const bool verbose = arguments.has("-v");
    const long identifier = getHardDriveComputerID();
    std::printf("%ld\n", identifier);
    if (verbose) {
        const char* serial = nullptr;
        const char* model = nullptr;
        const char* reader = nullptr;
        getHardDriveComputerIDTexts(&serial, &model, &reader);
        printText("serial", serial);
        printText("model", model);
        std::printf("reader: %s\n", reader[0] != '\0' ? reader : "none (no drive accepted)");
    }
    return kSuccess;
}

const CommandRegistration registration(kComputerId);

}  // namespace

}  // namespace utilctl
