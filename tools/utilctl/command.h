// utilctl's commands register themselves here, one source file per subsystem,
// so that main() needs no list of them.
//
// main() reads every command's arguments the same way: its options (listed in
// Command::options) may come anywhere before "--", which ends them; "-h" and
// "--help" print the command's usage on standard output, "--version" the
// library's version; "-" alone and "-5" (a negative number) are operands. An
// unknown option is a usage error. After the command, main() checks standard
// output once: a failed write turns success into exit status 1.
#ifndef UTILCTL_COMMAND_H
#define UTILCTL_COMMAND_H

#include <string>
#include <utility>
#include <vector>

namespace utilctl {

/// Exit statuses shared by every command.
enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

/// A command's arguments after the options were taken out.
struct Arguments {
    std::vector<const char*> operands;
    /// Each option given, in order, with its value (null for an option without one).
    std::vector<std::pair<std::string, const char*>> options;

    bool has(const char* option) const;
    /// The value of the last `option` given, or null.
    const char* value(const char* option) const;
};

struct Command {
    const char* name;     // the word after "utilctl"
    const char* usage;    // the arguments, for the usage text
    const char* summary;  // one line for --help
    int (*run)(const Arguments& arguments);
    /// The options, blank-separated; a trailing '=' marks one that takes a value
    /// ("--wait --dir="). The value follows as the next argument or after '='.
    const char* options = "";
    /// More lines for `utilctl NAME --help`, or null.
    const char* details = nullptr;
};

/// Every registered command, sorted by name.
const std::vector<Command>& commands();

/// Registers a command at static initialisation.
struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

/// Prints "utilctl: " and the message to standard error, then "usage: utilctl NAME USAGE",
/// and returns kUsage.
int usageError(const Command& command, const char* message);

/// Prints "utilctl: " and the printf-formatted message to standard error and
/// returns kFailure.
int failure(const char* format, ...) __attribute__((format(printf, 1, 2)));

/// A number as every command takes it: decimal digits, or "0x" and hexadecimal
/// digits; no sign, no blanks; at most 4294967295 (the same on every build).
/// False for anything else or a value outside [minimum, maximum].
bool parseNumber(const char* text, unsigned long minimum, unsigned long maximum, unsigned long* value);

/// A file that a command reads: the path itself, or for "-" a temporary copy
/// of standard input (removed again when the object goes).
class InputFile {
public:
    explicit InputFile(const char* path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    /// The path to open; empty when standard input could not be copied.
    const char* path() const { return path_.c_str(); }
    /// The name for messages: "standard input" or the path.
    const char* name() const { return temporary_ ? "standard input" : path_.c_str(); }
    bool ready() const { return !path_.empty(); }

private:
    std::string path_;
    bool temporary_ = false;
};

/// True for "-": files that a command writes cannot be standard input.
bool isStandardStream(const char* path);

}  // namespace utilctl

#endif
