// The POSIX profile functions: the INI engine over the file, under a lock of the
// process and an advisory lock of the file. Reads go line by line under a shared
// file lock; a write reads, edits and rewrites the file in place under an
// exclusive one, so the file keeps its owner, mode and links and the writes of
// several processes never undo each other.
#include "config/config_platform.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "config/profile_engine.h"
#include "config/profile_text.h"
#include "platform/files_posix.h"

namespace util {
namespace config {

namespace {

// The process-wide lock. A forked child must never inherit it held by a thread
// that does not exist there: it is taken before fork and released on both sides.
pthread_mutex_t processLock = PTHREAD_MUTEX_INITIALIZER;
pthread_once_t forkHandlersOnce = PTHREAD_ONCE_INIT;

void lockBeforeFork() { pthread_mutex_lock(&processLock); }
void unlockInParent() { pthread_mutex_unlock(&processLock); }
void reinitialiseInChild() { pthread_mutex_init(&processLock, nullptr); }
void installForkHandlers() { pthread_atfork(&lockBeforeFork, &unlockInParent, &reinitialiseInChild); }

class ProcessLock {
public:
    ProcessLock() {
        pthread_once(&forkHandlersOnce, &installForkHandlers);
        pthread_mutex_lock(&processLock);
    }
    ~ProcessLock() { pthread_mutex_unlock(&processLock); }
    ProcessLock(const ProcessLock&) = delete;
    ProcessLock& operator=(const ProcessLock&) = delete;
};

// An advisory lock on an open file, for as long as the object lives. Where the
// file system has no such locks the operation goes on without one.
class FileLock {
public:
    FileLock(int descriptor, int operation) : descriptor_(descriptor) {
        while (flock(descriptor_, operation) != 0 && errno == EINTR) {}
    }
    ~FileLock() { flock(descriptor_, LOCK_UN); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int descriptor_;
};

// A regular file or -1; O_CREAT makes a missing file with mode 0666 less the
// umask (through a dangling symbolic link too, as other writers do).
int openRegular(const char* path, int flags) { return platform::openRegularFile(path, flags, 0666); }

// Reads in turn under the shared file lock; a file that cannot be read reads as
// a missing one. Allocation failure gives the failure result (0, buffer empty).
template <class Read>
unsigned long readProfile(const char* path, char* buffer, unsigned long size, Read read) {
    try {
        ProcessLock hold;
        const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(openRegularFileForReading(path), &std::fclose);
        if (file == nullptr) {
            return read(nullptr);
        }
        const FileLock shared(fileno(file.get()), LOCK_SH);
        StreamLines lines(file.get());
        return read(&lines);
    } catch (...) {
        if (buffer != nullptr && size > 0) {
            buffer[0] = '\0';
            if (size > 1) {
                buffer[1] = '\0';
            }
        }
        return 0;
    }
}

bool readWholeDescriptor(int descriptor, std::string& bytes) {
    struct stat info;
    if (fstat(descriptor, &info) == 0 && info.st_size > 0) {
        bytes.reserve(static_cast<std::size_t>(info.st_size));
    }
    char chunk[65536];
    for (;;) {
        const ssize_t got = read(descriptor, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

bool writeAt(int descriptor, const std::string& bytes, std::size_t from) {
    while (from < bytes.size()) {
        const ssize_t step = pwrite(descriptor, bytes.data() + from, bytes.size() - from, static_cast<off_t>(from));
        if (step < 0 && errno == EINTR) {
            continue;
        }
        if (step <= 0) {
            return false;
        }
        from += static_cast<std::size_t>(step);
    }
    return true;
}

// Rewrites the file in place from the first byte that changes. The space a
// longer text needs is reserved first, so a full disk refuses the write before
// anything changes; should the write fail midway all the same, the old bytes go
// back and the old length with them.
bool rewriteInPlace(int descriptor, const std::string& before, const std::string& after) {
    std::size_t from = 0;
    while (from < before.size() && from < after.size() && before[from] == after[from]) {
        ++from;
    }
    if (after.size() > before.size()) {
        const int reserved = posix_fallocate(descriptor, 0, static_cast<off_t>(after.size()));
        if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL) {
            return false;
        }
    }
    if (!writeAt(descriptor, after, from) ||
        (after.size() < before.size() && ftruncate(descriptor, static_cast<off_t>(after.size())) != 0)) {
        writeAt(descriptor, before, from);
        (void)ftruncate(descriptor, static_cast<off_t>(before.size()));
        return false;
    }
    fdatasync(descriptor);
    return true;
}

// The file open for reading and writing, created when missing; -1 when it cannot
// be written (no permission, a read-only file, not a regular file).
int openForEditing(const char* path) {
    const int descriptor = openRegular(path, O_RDWR | O_CREAT);
    struct stat info;
    // No write permission for anyone: the file is read-only, as Windows refuses a
    // file with the read-only attribute (root included).
    if (descriptor >= 0 && (fstat(descriptor, &info) != 0 || (info.st_mode & 0222) == 0)) {
        close(descriptor);
        return -1;
    }
    return descriptor;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : descriptor_(descriptor) {}
    ~Descriptor() {
        if (descriptor_ >= 0) {
            close(descriptor_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return descriptor_; }

private:
    int descriptor_;
};

long writeProfile(const char* section, const char* key, const char* value, const char* path) {
    // A write that would be refused, or would change nothing, in a missing file
    // creates no file.
    struct stat info;
    if (stat(path, &info) != 0 && errno == ENOENT) {
        std::string empty;
        const ProfileEdit edit = profileWriteString(empty, section, key, value);
        if (edit != ProfileEdit::kChanged) {
            return edit == ProfileEdit::kUnchanged ? 1 : 0;
        }
    }
    const Descriptor file(openForEditing(path));
    if (file.get() < 0) {
        return 0;
    }
    const FileLock exclusive(file.get(), LOCK_EX);
    std::string bytes;
    std::string text;
    if (!readWholeDescriptor(file.get(), bytes) || !decodeProfileText(bytes, text)) {
        return 0;  // what cannot be read whole is never rewritten
    }
    std::size_t mark;
    const ProfileEncoding encoding = encodingOf(bytes, &mark);
    switch (profileWriteString(text, section, key, value)) {
        case ProfileEdit::kRefused: return 0;
        case ProfileEdit::kUnchanged: return 1;
        case ProfileEdit::kChanged: break;
    }
    std::string edited;
    return encodeProfileText(text, encoding, edited) && rewriteInPlace(file.get(), bytes, edited) ? 1 : 0;
}

}  // namespace

std::FILE* openRegularFileForReading(const char* path) {
    if (path == nullptr) {
        return nullptr;
    }
    const int descriptor = openRegular(path, O_RDONLY);
    if (descriptor < 0) {
        return nullptr;
    }
    std::FILE* file = fdopen(descriptor, "rb");
    if (file == nullptr) {
        close(descriptor);
    }
    return file;
}

unsigned long profileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                            unsigned long size, const char* path) {
    return readProfile(path, buffer, size, [&](LineSource* lines) {
        return profileGetString(lines, section, key, defaultValue, buffer, size);
    });
}

unsigned long profileSection(const char* section, char* buffer, unsigned long size, const char* path) {
    return readProfile(path, buffer, size,
                       [&](LineSource* lines) { return profileGetSection(lines, section, buffer, size); });
}

unsigned long profileSectionNames(char* buffer, unsigned long size, const char* path) {
    return readProfile(path, buffer, size,
                       [&](LineSource* lines) { return profileGetSectionNames(lines, buffer, size); });
}

long profileWrite(const char* section, const char* key, const char* value, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return 0;
    }
    try {
        ProcessLock hold;
        return writeProfile(section, key, value, path);
    } catch (...) {
        return 0;
    }
}

DirectoryQuery currentDirectory(char* buffer, std::size_t size) {
    if (getcwd(buffer, size) != nullptr) {
        return DirectoryQuery::kRead;
    }
    return errno == ERANGE || errno == ENAMETOOLONG ? DirectoryQuery::kTooLong : DirectoryQuery::kUnavailable;
}

bool isAbsoluteIniName(const char* name) { return name[0] == '/'; }

}  // namespace config
}  // namespace util
