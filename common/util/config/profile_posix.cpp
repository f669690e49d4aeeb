// The POSIX profile functions: the file's bytes through the INI engine, under one
// process-wide lock; writes go through a temporary file and a rename.
#include "config/profile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "config/profile_engine.h"

namespace util {
namespace config {

namespace {

std::mutex& profileLock() {
    static std::mutex lock;
    return lock;
}

// The whole file; false when it cannot be opened or read.
bool readWholeFile(const char* path, std::string& text) {
    if (path == nullptr) {
        return false;
    }
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    char chunk[8192];
    std::size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        text.append(chunk, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return !failed;
}

// Writes text beside the file and renames it over the file, keeping the old
// file's permission bits (0666 less the umask for a new file).
bool replaceFile(const char* path, const std::string& text) {
    std::string temporary = std::string(path) + ".XXXXXX";
    const int descriptor = mkstemp(&temporary[0]);
    if (descriptor < 0) {
        return false;
    }
    struct stat existing;
    if (stat(path, &existing) == 0) {
        fchmod(descriptor, existing.st_mode & 07777);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(descriptor, 0666 & ~mask);
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t step = write(descriptor, text.data() + written, text.size() - written);
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            break;
        }
        written += static_cast<std::size_t>(step);
    }
    const bool complete = written == text.size() && fsync(descriptor) == 0;
    if (close(descriptor) != 0 || !complete || std::rename(temporary.c_str(), path) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

const char kIniPathSeparator = '/';

unsigned long profileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            unsigned long size, const char* path) {
    std::lock_guard<std::mutex> hold(profileLock());
    std::string text;
    const bool found = readWholeFile(path, text);
    return profileGetString(found ? &text : nullptr, section, key, defaultValue, buffer, size);
}

unsigned long profileSection(const char* section, char* buffer, unsigned long size, const char* path) {
    std::lock_guard<std::mutex> hold(profileLock());
    std::string text;
    const bool found = readWholeFile(path, text);
    return profileGetSection(found ? &text : nullptr, section, buffer, size);
}

unsigned long profileSectionNames(char* buffer, unsigned long size, const char* path) {
    std::lock_guard<std::mutex> hold(profileLock());
    std::string text;
    const bool found = readWholeFile(path, text);
    return profileGetSectionNames(found ? &text : nullptr, buffer, size);
}

long profileWrite(const char* section, const char* key, const char* value, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return 0;
    }
    std::lock_guard<std::mutex> hold(profileLock());
    // A symbolic link stays a link: the file it names is replaced.
    char resolved[PATH_MAX];
    if (realpath(path, resolved) != nullptr) {
        path = resolved;
    }
    std::string text;
    const bool found = readWholeFile(path, text);
    if (!found && access(path, F_OK) == 0) {
        return 0;  // present but unreadable: never replace what cannot be read
    }
    switch (profileWriteString(text, section, key, value)) {
    case ProfileEdit::kRefused:
        return 0;
    case ProfileEdit::kUnchanged:
        return 1;
    case ProfileEdit::kChanged:
        break;
    }
    return replaceFile(path, text) ? 1 : 0;
}

bool currentDirectory(char* buffer, std::size_t size) { return getcwd(buffer, size) != nullptr; }

bool isAbsoluteIniName(const char* name) { return name[0] == '/'; }

}  // namespace config
}  // namespace util
