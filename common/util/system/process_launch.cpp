// Exec and StartInternetExplorer: the platform start or open, then the debugger line.
#include "system/process_launch.h"

#include "log/debug_print.h"
#include "system/system_platform.h"

int Exec(const char* commandLine, const char* directory, int show, int wait) {
    long errorCode = 0;
    if (!util::startProgram(commandLine, directory, show, wait, &errorCode)) {
        DbgPrint("CreateProcess(%s) fail, error %d", commandLine != nullptr ? commandLine : "(null)",
                 static_cast<int>(errorCode));
        return 0;
    }
    return 1;
}

int StartInternetExplorer(const char* url) {
    const int result = util::openWithSystemHandler(url);
    DbgPrint("StartInternetExplorer: pUrl %s, return %d\n", url != nullptr ? url : "(null)", result);
    return result > 32 ? 1 : 0;
}
