// utilctl's commands register themselves here, one source file per subsystem,
// so that main() needs no list of them.
#ifndef UTILCTL_COMMAND_H
#define UTILCTL_COMMAND_H

#include <vector>

namespace utilctl {

/// Exit statuses shared by every command.
enum ExitStatus { kSuccess = 0, kFailure = 1, kUsage = 2 };

struct Command {
    const char* name;      // the word after "utilctl"
    const char* usage;     // the arguments, for the usage text
    const char* summary;   // one line for --help
    int (*run)(int argc, char** argv);  // argv[0] is the command's name
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

}  // namespace utilctl

#endif
