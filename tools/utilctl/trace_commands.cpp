// utilctl viewer: writes the library's viewer script to a temporary file and runs it with wish.
// utilctl trace-demo: traces nested functions on a few threads to a running viewer, or
// (--viewer) to one it starts for itself.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "command.h"
#include "platform.h"
#include "trace/function_call_tracer.h"
#include "trace/viewer_script.h"
#include "trace_tools.h"

namespace utilctl {

namespace {

// The viewer names its saved files after the application: keep the name to
// characters that are safe in a file name on every platform.
bool isApplicationName(const char* text) {
    if (*text == '\0' || std::strlen(text) > 64) {
        return false;
    }
    for (const char* cursor = text; *cursor != '\0'; ++cursor) {
        const char c = *cursor;
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
                             c == '-' || c == '.';
        if (!allowed) {
            return false;
        }
    }
    return true;
}

extern const Command kViewer;
extern const Command kTraceDemo;

// Exit status 0 when the viewer's shell ended with 0, else 1 with the reason.
int reportEnd(const WishEnd& end) {
    switch (end.kind) {
        case WishEnd::kNotStarted: return failure("cannot run wish (is Tk installed and on PATH?)");
        case WishEnd::kKilled: return failure("the viewer (wish) was killed by signal %d", end.code);
        case WishEnd::kUnknown:
            std::fprintf(stderr, "utilctl: the viewer ended; its exit status is not known (SIGCHLD is ignored)\n");
            return kSuccess;
        case WishEnd::kExited: break;
    }
    return end.code == 0 ? kSuccess : failure("the viewer ended with status %d", end.code);
}

// Starts the viewer for this process and waits until it listens on its port,
// so that the window exists when the threads look for it. The script is
// removed once wish has read it (the listening socket is its last step).
int startOwnViewer(unsigned long port) {
    const std::string script = writeTemporaryFile(viewer_script);
    if (script.empty()) {
        return failure("cannot write the viewer script to the temporary directory");
    }
    const std::string pid = std::to_string(currentProcessId());
    const std::string portText = std::to_string(port);
    std::uintptr_t process = 0;
    if (!startWish(script, "utilctl", pid.c_str(), portText.c_str(), &process)) {
        removeFile(script);
        return failure("cannot run wish (is Tk installed and on PATH?)");
    }
    for (int tenths = 0; tenths < 150; ++tenths) {
        WishEnd end;
        if (!wishRunning(process, &end)) {
            removeFile(script);
            if (end.kind == WishEnd::kKilled) {
                return failure("the viewer ended at once: killed by signal %d", end.code);
            }
            return failure("the viewer ended at once (status %d; is a display available?)", end.code);
        }
        if (portAccepting(static_cast<unsigned short>(port))) {
            pause100ms();  // the window is shown right after the port opens
            pause100ms();
            pause100ms();
            removeFile(script);
            std::printf("viewer started (close its window to end it)\n");
            return kSuccess;
        }
        pause100ms();
    }
    removeFile(script);
    return failure("the viewer did not listen on port %lu within 15 seconds", port);
}

int runViewer(const Arguments& arguments) {
    if (arguments.operands.size() != 3) {
        return usageError(kViewer, "expected APP PID PORT");
    }
    const char* app = arguments.operands[0];
    const char* pid = arguments.operands[1];
    const char* port = arguments.operands[2];
    unsigned long number = 0;
    if (!isApplicationName(app)) {
        return usageError(kViewer, "APP must be 1-64 letters, digits, '_', '-' or '.'");
    }
    if (!parseNumber(pid, 0, 0xFFFFFFFFul, &number)) {
        return usageError(kViewer, "PID must be a process id from 0 to 4294967295");
    }
    if (!parseNumber(port, 1, 65535, &number)) {
        return usageError(kViewer, "PORT must be a number from 1 to 65535");
    }
    const std::string script = writeTemporaryFile(viewer_script);
    if (script.empty()) {
        std::fprintf(stderr, "utilctl: cannot write the viewer script to the temporary directory\n");
        return kFailure;
    }
    const WishEnd end = runWish(script, app, pid, port);
    removeFile(script);
    return reportEnd(end);
}

void demoLeaf(int thread) {
    FunctionCallTracer trace("demoLeaf");
    trace.PrintFunctionBanner(1);
    trace.DebugOutputp("thread %d working\n", thread);
    trace.SetReturnValue("done");
}

void demoMiddle(int thread) {
    FunctionCallTracer trace("demoMiddle");
    demoLeaf(thread);
}

// Threads whose trace reached a viewer: a thread connects once, at its first
// traced call, and only when the viewer's window exists then.
std::atomic<unsigned long> connectedThreads{0};

void demoOuter(int thread) {
    FunctionCallTracer trace("demoOuter");
    if (trace.thread_record != nullptr && trace.thread_record->sock != kTraceNoSocket) {
        ++connectedThreads;
    }
    demoMiddle(thread);
}

int runTraceDemo(const Arguments& arguments) {
    unsigned long port = 8888;
    unsigned long threads = 2;
    if (!arguments.operands.empty()) {
        return usageError(kTraceDemo, "takes options only");
    }
    const bool wait = arguments.has("--wait");
    const bool viewer = arguments.has("--viewer");
    if (wait && viewer) {
        return usageError(kTraceDemo, "--wait and --viewer exclude each other");
    }
    if (arguments.has("--port") && !parseNumber(arguments.value("--port"), 1, 65535, &port)) {
        return usageError(kTraceDemo, "--port must be a number from 1 to 65535");
    }
    if (arguments.has("--threads") && !parseNumber(arguments.value("--threads"), 1, 64, &threads)) {
        return usageError(kTraceDemo, "--threads must be a number from 1 to 64");
    }
    if (!startNetwork()) {
        std::fprintf(stderr, "utilctl: cannot start the network layer\n");
        return kFailure;
    }
    std::printf("pid %lu\n", currentProcessId());
    std::fflush(stdout);
    if (viewer) {
        const int status = startOwnViewer(port);
        if (status != kSuccess) {
            return status;
        }
    }
    if (wait) {
        // Lets the caller start the viewer for this process id first.
        char line[16];
        if (std::fgets(line, sizeof line, stdin) == nullptr) {
            return kFailure;
        }
    }
    trace_flag = 1;
    trace_to_viewer = 1;
    viewer_port = static_cast<unsigned short>(port);
    std::snprintf(viewer_title, sizeof viewer_title, "%s", "Trace Viewer - utilctl");
    DbgFunctionBannerOn();

    std::vector<std::thread> workers;
    for (unsigned long index = 0; index < threads; ++index) {
        workers.emplace_back(demoOuter, static_cast<int>(index + 1));
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    const unsigned long reached = connectedThreads.load();
    if (reached == 0) {
        return failure(
            "trace-demo: no viewer window \"%s\" was found: nothing was traced (start one with "
            "utilctl trace-demo --viewer)",
            viewer_title);
    }
    if (reached < threads) {
        return failure("trace-demo: only %lu of %lu threads found the viewer window on port %lu", reached, threads,
                       port);
    }
    std::printf("traced %lu threads to port %lu\n", threads, port);
    return kSuccess;
}

const Command kViewer = {"viewer", "APP PID PORT",
                         "runs the trace viewer (wish) for process PID of APP, listening on localhost:PORT", runViewer};
const Command kTraceDemo = {"trace-demo",
                            "[--viewer] [--port PORT] [--threads COUNT] [--wait]",
                            "traces nested calls on COUNT threads (default 2) to the viewer "
                            "\"Trace Viewer - utilctl\" on PORT (default 8888)",
                            runTraceDemo,
                            "--port= --threads= --wait --viewer",
                            "--viewer starts the viewer for this process first (wish must be on PATH) and\n"
                            "leaves it open; --wait prints the process id and reads a line before tracing,\n"
                            "so that a viewer can be started for it (utilctl viewer utilctl PID PORT).\n"
                            "Exit status 1 when no thread found the viewer window."};

const CommandRegistration registerViewer(kViewer);
const CommandRegistration registerTraceDemo(kTraceDemo);

}  // namespace

}  // namespace utilctl
