// utilctl: a command-line tool over the util library.
#include <cstdio>
#include <cstring>

#include "command.h"

namespace utilctl {

namespace {

std::vector<Command>& registry() {
    static std::vector<Command> all;
    return all;
}

void printHelp(std::FILE* out) {
    std::fprintf(out, "usage: utilctl COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const Command& command : commands()) {
        std::fprintf(out, "  %s %s\n      %s\n", command.name, command.usage, command.summary);
    }
}

}  // namespace

const std::vector<Command>& commands() { return registry(); }

CommandRegistration::CommandRegistration(const Command& command) {
    auto& all = registry();
    auto position = all.begin();
    while (position != all.end() && std::strcmp(position->name, command.name) < 0) {
        ++position;
    }
    all.insert(position, command);
}

int usageError(const Command& command, const char* message) {
    std::fprintf(stderr, "utilctl: %s\nusage: utilctl %s %s\n", message, command.name, command.usage);
    return kUsage;
}

}  // namespace utilctl

int main(int argc, char** argv) {
    using namespace utilctl;
    if (argc < 2) {
        printHelp(stderr);
        return kUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
        std::strcmp(argv[1], "help") == 0) {
        printHelp(stdout);
        return kSuccess;
    }
    for (const Command& command : commands()) {
        if (std::strcmp(command.name, argv[1]) == 0) {
            return command.run(argc - 1, argv + 1);
        }
    }
    std::fprintf(stderr, "utilctl: unknown command '%s' (see utilctl --help)\n", argv[1]);
    return kUsage;
}
