// utilctl argv, exec, open, os: argument splitting, program start, shell open
// and the Windows version.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "text_forms.h"
#include "log/debug_print.h"
#include "system/os_version.h"
#include "system/process_launch.h"

namespace {

int runArguments(int argc, char** argv);
int runExec(int argc, char** argv);
int runOpen(int argc, char** argv);
int runOs(int argc, char** argv);

const utilctl::Command kArguments{"argv", "'COMMAND LINE'",
                                  "splits a command line as CommandLineToArgv does, one [argument] a line",
                                  &runArguments};
const utilctl::Command kExec{"exec", "[--wait] [--dir DIR] 'COMMAND LINE'",
                             "starts a program (Exec), shown; the failure line goes to standard error", &runExec};
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

int runArguments(int argc, char** argv) {
    if (argc != 2) {
        return utilctl::usageError(kArguments, "expected one COMMAND LINE (quote it)");
    }
    int count = 0;
    char** arguments = CommandLineToArgv(argv[1], &count);
    if (arguments == nullptr) {
        std::fprintf(stderr, "utilctl: out of memory\n");
        return utilctl::kFailure;
    }
    for (int index = 0; index < count; ++index) {
        std::printf("[%s]\n", arguments[index]);
    }
    std::free(arguments);
    return utilctl::kSuccess;
}

int runExec(int argc, char** argv) {
    int wait = 0;
    const char* directory = nullptr;
    int index = 1;
    for (; index < argc; ++index) {
        if (std::strcmp(argv[index], "--wait") == 0) {
            wait = 1;
        } else if (std::strcmp(argv[index], "--dir") == 0 && index + 1 < argc) {
            directory = argv[++index];
        } else {
            break;
        }
    }
    if (index != argc - 1 || std::strncmp(argv[index], "--", 2) == 0) {
        return utilctl::usageError(kExec, "expected options, then one COMMAND LINE (quote it)");
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardError);
    const int started = Exec(argv[index], directory, 1, wait);
    util::setDebugOutputSink(previous);
    return started == 1 ? utilctl::kSuccess : utilctl::kFailure;
}

int runOpen(int argc, char** argv) {
    if (argc != 2) {
        return utilctl::usageError(kOpen, "expected one URL");
    }
    const util::DebugOutputSink previous = util::setDebugOutputSink(&writeToStandardError);
    const int opened = StartInternetExplorer(argv[1]);
    util::setDebugOutputSink(previous);
    return opened == 1 ? utilctl::kSuccess : utilctl::kFailure;
}

int runOs(int argc, char** /*argv*/) {
    if (argc != 1) {
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
