#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform.h"

namespace utilctl {

const char* platformName() { return sizeof(void*) == 4 ? "Linux (32-bit)" : "Linux (64-bit)"; }

bool runningUnderWine() { return false; }

bool localAddressTowards(unsigned long ip, unsigned long* localAddress) {
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(9);
    remote.sin_addr.s_addr = static_cast<in_addr_t>(ip);
    sockaddr_in local{};
    socklen_t length = sizeof local;
    const bool found = connect(probe, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                       getsockname(probe, reinterpret_cast<sockaddr*>(&local), &length) == 0;
    close(probe);
    if (found) {
        *localAddress = local.sin_addr.s_addr;
    }
    return found;
}

void setBinaryMode(std::FILE*) {}

namespace {

// A new file from a mkstemp pattern: prepare (when given) sets its descriptor's
// permissions, write fills it, and it is flushed to the disk. Its path, or empty
// with the reason in *error.
std::string writeUniqueFile(const std::string& pattern, const std::function<bool(int)>& prepare,
                            const ContentWriter& write, std::string* error) {
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int descriptor = mkstemp(name.data());
    if (descriptor < 0) {
        *error = std::strerror(errno);
        return std::string();
    }
    if (prepare && !prepare(descriptor)) {
        *error = std::string("cannot keep the file's permissions, owner and group: ") + std::strerror(errno);
        close(descriptor);
        unlink(name.data());
        return std::string();
    }
    std::FILE* stream = fdopen(descriptor, "wb");
    if (stream == nullptr) {
        *error = std::strerror(errno);
        close(descriptor);
        unlink(name.data());
        return std::string();
    }
    errno = 0;
    bool done = write(stream) && std::fflush(stream) == 0 && std::ferror(stream) == 0 && fsync(descriptor) == 0;
    const int written = errno != 0 ? errno : EIO;
    const bool closed = std::fclose(stream) == 0;
    if (!done || !closed) {
        *error = std::strerror(done ? errno : written);
        unlink(name.data());
        return std::string();
    }
    return std::string(name.data());
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that path names after following symbolic links (a relative target
// counts from its link's directory); the last name need not exist.
bool followLinks(std::string path, std::string* target, std::string* error) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            *target = path;
            return true;
        }
        std::vector<char> link(PATH_MAX + 1);
        const ssize_t length = readlink(path.c_str(), link.data(), link.size() - 1);
        if (length < 0) {
            *error = std::strerror(errno);
            return false;
        }
        std::string next(link.data(), static_cast<std::size_t>(length));
        path = next[0] == '/' ? next : directoryOf(path) + "/" + next;
    }
    *error = std::strerror(ELOOP);
    return false;
}

}  // namespace

std::string writeTemporaryFile(const std::string& text) {
    const char* directory = std::getenv("TMPDIR");
    std::string error;
    return writeUniqueFile(
        std::string(directory != nullptr && *directory != '\0' ? directory : "/tmp") + "/utilctl-XXXXXX", nullptr,
        [&text](std::FILE* stream) { return std::fwrite(text.data(), 1, text.size(), stream) == text.size(); }, &error);
}

void removeFile(const std::string& path) { unlink(path.c_str()); }

bool replaceFile(const std::string& path, const ContentWriter& write, std::string* error) {
    std::string target;
    if (!followLinks(path, &target, error)) {
        return false;
    }
    struct stat old;
    const bool exists = stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) {
        *error = std::strerror(errno);
        return false;
    }
    if (exists && !S_ISREG(old.st_mode)) {
        *error = "not a regular file";
        return false;
    }
    // The new file takes the old one's permissions, owner and group; a new
    // one gets what the umask leaves of 0666, as an ordinary create would.
    const auto keepAttributes = [&](int descriptor) {
        if (!exists) {
            const mode_t mask = umask(0);
            umask(mask);
            return fchmod(descriptor, 0666 & ~mask) == 0;
        }
        struct stat now;
        if (fstat(descriptor, &now) != 0) {
            return false;
        }
        if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && fchown(descriptor, old.st_uid, old.st_gid) != 0) {
            return false;
        }
        return fchmod(descriptor, old.st_mode & 07777) == 0;
    };
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string temporary =
        writeUniqueFile(directoryOf(target) + "/." + name + ".XXXXXX", keepAttributes, write, error);
    if (temporary.empty()) {
        return false;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        *error = std::strerror(errno);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

const char* missingUrlOpener() {
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= directories.size()) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        const std::string directory = end > start ? directories.substr(start, end - start) : ".";
        if (access((directory + "/xdg-open").c_str(), X_OK) == 0) {
            return nullptr;
        }
        start = end + 1;
    }
    return "xdg-open";
}

}  // namespace utilctl
