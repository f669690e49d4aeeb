// utilctl config-* (the configuration store) and ini-* (ZnIniReader) commands.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "command.h"
#include "config/config_store.h"
#include "config/ini_reader.h"

namespace utilctl {

namespace {

bool fileExists(const char* path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

int failure(const char* format, const char* first, const char* second = "", const char* third = "") {
    std::fprintf(stderr, "utilctl: ");
    std::fprintf(stderr, format, first, second, third);
    std::fprintf(stderr, "\n");
    return kFailure;
}

void* loadStore(const char* path) {
    void* store = OpenConfig(path);
    if (store == nullptr) {
        failure("cannot load configuration file '%s'", path);
    }
    return store;
}

// The value through the two-call length protocol; false when absent.
bool storeValue(void* store, const char* section, const char* key, std::string& value) {
    std::vector<char> buffer(1);
    int length = 0;
    if (GetConfig(store, section, key, buffer.data(), &length) == 1) {
        value.clear();
        return true;
    }
    if (length == 0) {
        return false;
    }
    buffer.resize(static_cast<std::size_t>(length) + 1);
    if (GetConfig(store, section, key, buffer.data(), &length) != 1) {
        return false;
    }
    value.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

// Dumps the store beside the file and renames it over the file, so that a
// failed write leaves the old file whole.
bool writeStore(void* store, const char* path) {
    const std::string temporary = std::string(path) + ".utilctl-new";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    DumpConfig(store, out);
    const bool written = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !written) {
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

extern const Command kConfigGet, kConfigSet, kConfigDump, kIniGet, kIniSet, kIniSections, kIniSection;

int configGet(int argc, char** argv) {
    if (argc != 4) {
        return usageError(kConfigGet, "expected FILE SECTION KEY");
    }
    void* store = loadStore(argv[1]);
    if (store == nullptr) {
        return kFailure;
    }
    std::string value;
    const bool found = storeValue(store, argv[2], argv[3], value);
    CloseConfig(store);
    if (!found) {
        return failure("no key '%s' in section '%s' of '%s'", argv[3], argv[2], argv[1]);
    }
    std::printf("%s\n", value.c_str());
    return kSuccess;
}

int configSet(int argc, char** argv) {
    if (argc != 5) {
        return usageError(kConfigSet, "expected FILE SECTION KEY VALUE");
    }
    // A missing file is started empty; an existing one that does not load is left alone.
    void* store = fileExists(argv[1]) ? loadStore(argv[1]) : CreateConfig();
    if (store == nullptr) {
        return kFailure;
    }
    const bool stored = SetConfig(store, argv[2], argv[3], argv[4]) == 1 && writeStore(store, argv[1]);
    CloseConfig(store);
    return stored ? kSuccess : failure("cannot write configuration file '%s'", argv[1]);
}

int configDump(int argc, char** argv) {
    if (argc != 2) {
        return usageError(kConfigDump, "expected FILE");
    }
    void* store = loadStore(argv[1]);
    if (store == nullptr) {
        return kFailure;
    }
    DumpConfig(store, stdout);
    CloseConfig(store);
    return kSuccess;
}

// A list of ZnIniReader through its two-call protocol.
std::vector<std::string> iniList(ZnIniReader& reader, const char* section) {
    unsigned long count = 0, size = 0;
    const int first = section != nullptr ? reader.GetSectionData(section, nullptr, &count, &size)
                                         : reader.GetSectionNames(nullptr, &count, &size);
    if (first == 1 || size == 0) {
        return {};
    }
    std::vector<std::vector<char>> storage(count, std::vector<char>(size));
    std::vector<char*> strings;
    for (auto& buffer : storage) {
        strings.push_back(buffer.data());
    }
    const int second = section != nullptr ? reader.GetSectionData(section, strings.data(), &count, &size)
                                          : reader.GetSectionNames(strings.data(), &count, &size);
    return second == 1 ? std::vector<std::string>(strings.begin(), strings.end()) : std::vector<std::string>();
}

bool sameName(const std::string& left, const std::string& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(left[i]) != lower(right[i])) {
            return false;
        }
    }
    return true;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    const std::size_t last = text.find_last_not_of(" \t");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

bool sectionListed(ZnIniReader& reader, const char* section) {
    for (const std::string& name : iniList(reader, nullptr)) {
        if (sameName(name, trimmed(section))) {
            return true;
        }
    }
    return false;
}

int iniGet(int argc, char** argv) {
    if (argc != 4) {
        return usageError(kIniGet, "expected FILE SECTION KEY");
    }
    if (!fileExists(argv[1])) {
        return failure("no INI file '%s'", argv[1]);
    }
    ZnIniReader reader(argv[1]);
    bool present = false;
    for (const std::string& line : iniList(reader, argv[2])) {
        const std::size_t equals = line.find('=');
        present = present || (equals != std::string::npos && sameName(line.substr(0, equals), trimmed(argv[3])));
    }
    if (!present) {
        return failure("no key '%s' in section '%s' of '%s'", argv[3], argv[2], argv[1]);
    }
    for (unsigned long size = 256;; size *= 2) {
        std::vector<char> value(size);
        reader.GetKeyValue(argv[3], argv[2], value.data(), size);
        if (std::strlen(value.data()) + 1 < size || size >= (1UL << 24)) {
            std::printf("%s\n", value.data());
            return kSuccess;
        }
    }
}

int iniSet(int argc, char** argv) {
    if (argc != 5) {
        return usageError(kIniSet, "expected FILE SECTION KEY VALUE");
    }
    ZnIniReader reader(argv[1]);
    if (reader.SetKey(argv[4], argv[3], argv[2]) == 0) {
        return failure("cannot write key '%s' of section '%s' into '%s'", argv[3], argv[2], argv[1]);
    }
    return kSuccess;
}

int iniSections(int argc, char** argv) {
    if (argc != 2) {
        return usageError(kIniSections, "expected FILE");
    }
    if (!fileExists(argv[1])) {
        return failure("no INI file '%s'", argv[1]);
    }
    ZnIniReader reader(argv[1]);
    for (const std::string& name : iniList(reader, nullptr)) {
        std::printf("%s\n", name.c_str());
    }
    return kSuccess;
}

int iniSection(int argc, char** argv) {
    if (argc != 3) {
        return usageError(kIniSection, "expected FILE SECTION");
    }
    if (!fileExists(argv[1])) {
        return failure("no INI file '%s'", argv[1]);
    }
    ZnIniReader reader(argv[1]);
    const std::vector<std::string> lines = iniList(reader, argv[2]);
    if (lines.empty() && !sectionListed(reader, argv[2])) {
        return failure("no section '%s' in '%s'", argv[2], argv[1]);
    }
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
    return kSuccess;
}

const Command kConfigGet{"config-get", "FILE SECTION KEY", "print a value of a configuration file", configGet};
const Command kConfigSet{"config-set", "FILE SECTION KEY VALUE",
                         "set a value and write the file back (created when missing; comments are not kept)", configSet};
const Command kConfigDump{"config-dump", "FILE", "print a configuration file as the store reads it", configDump};
const Command kIniGet{"ini-get", "FILE SECTION KEY", "print a value of an INI file", iniGet};
const Command kIniSet{"ini-set", "FILE SECTION KEY VALUE", "set a value in an INI file (created when missing)",
                      iniSet};
const Command kIniSections{"ini-sections", "FILE", "list the sections of an INI file", iniSections};
const Command kIniSection{"ini-section", "FILE SECTION", "list the lines of a section of an INI file", iniSection};

const CommandRegistration registrations[] = {
    CommandRegistration(kConfigGet),   CommandRegistration(kConfigSet), CommandRegistration(kConfigDump),
    CommandRegistration(kIniGet),      CommandRegistration(kIniSet),    CommandRegistration(kIniSections),
    CommandRegistration(kIniSection)};

}  // namespace

}  // namespace utilctl
