// utilctl argv, exec, open, os: argument splitting, program start, shell open
// and the Windows version.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "command.h"
#include "platform.h"
#include "text_forms.h"
#include "log/debug_print.h"
#include "system/os_version.h"
#include "system/process_launch.h"

namespace {

int runArguments(const utilctl::Arguments& arguments);
int runExec(const utilctl::Arguments& arguments);
int runOpen(const utilctl::Arguments& arguments);
int runOs(const utilctl::Arguments& arguments);

const utilctl::Command kArguments{
    "argv", "'COMMAND LINE'", "splits a command line as CommandLineToArgv does, one [argument] a line", &runArguments};
const utilctl::Command kExec{"exec",
                             "[--wait] [--dir DIR] 'COMMAND LINE'",
                             "starts a program (Exec), shown; the failure line goes to standard error",
                             &runExec,
                             "--wait --dir=",
                             "Exit status 0 means the program was started, not that it succeeded (with\n"
                             "--wait too: its own exit status is not passed on); 1 means it could not be\n"
                             "started, or DIR is not a directory."};
const utilctl::Command kOpen{"open", "URL", "opens a URL or document with its handler (StartInternetExplorer)",
                             &runOpen};
const utilctl::Command kOs{"os", "", "the Windows release and platform family (OS)", &runOs};

// The library's debugger lines, on standard error, each ending its line.
void writeToStandardError(const char* text) {
    const std::size_t length = std::strlen(text);
    std::fputs(text, stderr);
    if (length == 0 || text[length - 1] != '\n') {
        std::fputc('\n', stderr);
    }
}

// The block holds at most 32 arguments. Where the 32nd of them ends in the line
// (its copy, which the block carries behind the pointers and the count, is cut
// in place), anything but spaces means that more were dropped.
bool argumentsDropped(const char* line, char** arguments, int count) {
    const int kLimit = 32;
    if (count < kLimit) {
        return false;
    }
    const char* copy = reinterpret_cast<const char*>(arguments + kLimit) + sizeof(int);
    const std::size_t start = static_cast<std::size_t>(arguments[kLimit - 1] - copy);
    std::size_t end = start + std::strlen(arguments[kLimit - 1]);
    const std::size_t length = std::strlen(line);
    if (start > 0 && end < length && (line[start - 1] == '"' || line[start - 1] == '\'') &&
        line[end] == line[start - 1]) {
        ++end;  // the closing quote of a quoted argument
    }
    for (std::size_t index = end; index < length; ++index) {
        if (line[index] != ' ') {
            return true;
        }
    }
    return false;
}

int runArguments(const utilctl::Arguments& given) {
    if (given.operands.size() != 1) {
        return utilctl::usageError(kArguments, "expected one COMMAND LINE (quote it)");
    }
    const char* line = given.operands[0];
    int count = 0;
    char** arguments = CommandLineToArgv(line, &count);
    if (arguments == nullptr) {
        return utilctl::failure("out of memory");
    }
    for (int index = 0; index < count; ++index) {
        std::printf("[%s]\n", arguments[index]);
    }
    if (argumentsDropped(line, arguments, count)) {
        std::fprintf(stderr, "utilctl: argv: only the first 32 arguments are split; the rest of the line is dropped\n");
    }
    std::free(arguments);
    return utilctl::kSuccess;
}

int runExec(const utilctl::Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return utilctl::usageError(kExec, "expected options, then one COMMAND LINE (quote it)");
    }
    const int wait = arguments.has("--wait") ? 1 : 0;
    const char* directory = arguments.value("--dir");
    std::error_code error;
    if (directory != nullptr && !std::filesystem::is_directory(directory, error)) {
        return utilctl::failure("exec: cannot start in '%s': %s", directory,
                                std::filesystem::exists(directory, error) ? "not a directory" : std::strerror(ENOENT));
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardError);
    const int started = Exec(arguments.operands[0], directory, 1, wait);
    util::setDebugOutputSink(previous);
    return started == 1 ? utilctl::kSuccess : utilctl::kFailure;
}

int runOpen(const utilctl::Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return utilctl::usageError(kOpen, "expected one URL");
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardError);
    const int opened = StartInternetExplorer(arguments.operands[0]);
    util::setDebugOutputSink(previous);
    if (opened != 1) {
        if (const char* opener = utilctl::missingUrlOpener()) {
            return utilctl::failure("open: %s, which opens URLs, is not installed (not found on PATH)", opener);
        }
        return utilctl::kFailure;
    }
    return utilctl::kSuccess;
}

int runOs(const utilctl::Arguments& arguments) {
    if (!arguments.operands.empty()) {
        return utilctl::usageError(kOs, "takes no arguments");
    }
    const unsigned long kUntouched = 0xFFFFFFFFUL;
    unsigned long platform = kUntouched;
    const _OS_TYPE release = OS(&platform);
    if (platform == kUntouched) {
        std::printf("%s (%d), no version query\n", utilctl::releaseName(release), static_cast<int>(release));
    } else {
        std::printf("%s (%d), platform %lu\n", utilctl::releaseName(release), static_cast<int>(release), platform);
    }
    return utilctl::kSuccess;
}

const utilctl::CommandRegistration registerArguments(kArguments);
const utilctl::CommandRegistration registerExec(kExec);
const utilctl::CommandRegistration registerOpen(kOpen);
const utilctl::CommandRegistration registerOs(kOs);

}  // namespace
