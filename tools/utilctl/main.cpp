// utilctl: a command-line tool over the util library.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "command.h"
#include "platform.h"
#include "version.h"

namespace utilctl {

namespace {

std::vector<Command>& registry() {
    static std::vector<Command> all;
    return all;
}

void printHelp(std::FILE* out) {
    std::fprintf(out, "usage: utilctl COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const Command& command : commands()) {
        std::fprintf(out, "  %s%s%s\n      %s\n", command.name, command.usage[0] != '\0' ? " " : "", command.usage,
                     command.summary);
    }
    std::fprintf(out,
                 "\nEvery command takes -h or --help (its usage), --version, and -- to end its options;\n"
                 "a FILE that is read may be - for standard input. Numbers are decimal, or hexadecimal\n"
                 "after 0x. Exit status: 0 success, 1 failure or not found, 2 bad arguments.\n");
}

void printCommandHelp(const Command& command) {
    std::printf("usage: utilctl %s%s%s\n%s\n", command.name, command.usage[0] != '\0' ? " " : "", command.usage,
                command.summary);
    if (command.details != nullptr) {
        std::printf("%s\n", command.details);
    }
}

void printVersion() { std::printf("utilctl (util %s)\n", UTIL_VERSION_STRING); }

// The option of the command's list that `argument` names, with its value
// written after '=' split off; false when the list lacks it.
bool findOption(const Command& command, const std::string& argument, std::string* name, bool* takesValue,
                std::string* attached, bool* hasAttached) {
    const std::size_t equals = argument.find('=');
    const std::string given = argument.substr(0, equals);
    const std::string list = std::string(" ") + command.options + " ";
    for (const bool withValue : {false, true}) {
        if (list.find(" " + given + (withValue ? "= " : " ")) != std::string::npos) {
            if (!withValue && equals != std::string::npos) {
                return false;  // "--wait=1": this option takes no value
            }
            *name = given;
            *takesValue = withValue;
            *hasAttached = equals != std::string::npos;
            *attached = *hasAttached ? argument.substr(equals + 1) : std::string();
            return true;
        }
    }
    return false;
}

// Runs the command on its arguments (argv[0] is the command's name).
int runCommand(const Command& command, int argc, char** argv) {
    Arguments arguments;
    std::vector<std::string> attachedValues;
    attachedValues.reserve(static_cast<std::size_t>(argc));
    bool optionsEnded = false;
    for (int index = 1; index < argc; ++index) {
        const char* argument = argv[index];
        if (optionsEnded || argument[0] != '-' || argument[1] == '\0' || (argument[1] >= '0' && argument[1] <= '9')) {
            arguments.operands.push_back(argument);
        } else if (std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(argument, "-h") == 0 || std::strcmp(argument, "--help") == 0) {
            printCommandHelp(command);
            return kSuccess;
        } else if (std::strcmp(argument, "--version") == 0) {
            printVersion();
            return kSuccess;
        } else {
            std::string name, attached;
            bool takesValue = false, hasAttached = false;
            if (!findOption(command, argument, &name, &takesValue, &attached, &hasAttached)) {
                const std::string message = std::string("unknown option '") + argument + "'";
                return usageError(command, message.c_str());
            }
            const char* value = nullptr;
            if (takesValue && hasAttached) {
                attachedValues.push_back(attached);
                value = attachedValues.back().c_str();
            } else if (takesValue) {
                if (index + 1 >= argc) {
                    const std::string message = "option " + name + " needs a value";
                    return usageError(command, message.c_str());
                }
                value = argv[++index];
            }
            arguments.options.emplace_back(name, value);
        }
    }
    return command.run(arguments);
}

// Standard output is checked once, at the end: a write that failed on the way
// (a full disk, a closed pipe) shows in its error flag or in the last flush.
int finish(int status) {
    errno = 0;
    const bool failed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (failed) {
        std::fprintf(stderr, "utilctl: cannot write standard output: %s\n",
                     errno != 0 ? std::strerror(errno) : "write error");
        return status == kSuccess ? kFailure : status;
    }
    return status;
}

}  // namespace

bool Arguments::has(const char* option) const {
    for (const auto& given : options) {
        if (given.first == option) return true;
    }
    return false;
}

const char* Arguments::value(const char* option) const {
    const char* found = nullptr;
    for (const auto& given : options) {
        if (given.first == option) found = given.second;
    }
    return found;
}

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
    std::fprintf(stderr, "utilctl: %s: %s\nusage: utilctl %s%s%s\n", command.name, message, command.name,
                 command.usage[0] != '\0' ? " " : "", command.usage);
    return kUsage;
}

int failure(const char* format, ...) {
    std::fputs("utilctl: ", stderr);
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    return kFailure;
}

bool parseNumber(const char* text, unsigned long minimum, unsigned long maximum, unsigned long* value) {
    if (text == nullptr) {
        return false;
    }
    unsigned base = 10;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text += 2;
    }
    if (*text == '\0') {
        return false;
    }
    unsigned long long parsed = 0;
    for (; *text != '\0'; ++text) {
        const char c = *text;
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        parsed = parsed * base + digit;
        if (parsed > 0xFFFFFFFFull) {
            return false;
        }
    }
    if (parsed < minimum || parsed > maximum) {
        return false;
    }
    *value = static_cast<unsigned long>(parsed);
    return true;
}

bool isStandardStream(const char* path) { return std::strcmp(path, "-") == 0; }

InputFile::InputFile(const char* path) {
    if (!isStandardStream(path)) {
        path_ = path;
        return;
    }
    temporary_ = true;
    setBinaryMode(stdin);
    std::string contents;
    char chunk[65536];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        contents.append(chunk, got);
    }
    if (std::ferror(stdin) == 0) {
        path_ = writeTemporaryFile(contents);
    }
}

InputFile::~InputFile() {
    if (temporary_ && !path_.empty()) {
        removeFile(path_);
    }
}

}  // namespace utilctl

int main(int argc, char** argv) {
    using namespace utilctl;
    if (argc < 2) {
        printHelp(stderr);
        return kUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "help") == 0) {
        printHelp(stdout);
        return finish(kSuccess);
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        printVersion();
        return finish(kSuccess);
    }
    for (const Command& command : commands()) {
        if (std::strcmp(command.name, argv[1]) == 0) {
            return finish(runCommand(command, argc - 1, argv + 1));
        }
    }
    std::fprintf(stderr, "utilctl: unknown command '%s' (see utilctl --help)\n", argv[1]);
    return kUsage;
}
