// utilctl config-* (the configuration store) and ini-* (ZnIniReader) commands.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "command.h"
#include "config/config_store.h"
#include "config/ini_reader.h"
#include "platform.h"

namespace utilctl {

namespace {

// Empty when path opens for reading, else the system's reason.
std::string whyUnreadable(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::strerror(errno);
    }
    std::fclose(file);
    return std::string();
}

// The path that the store's loader falls back to, or empty when "APP_HOME" is not set.
std::string appHomePath(const char* path) {
    const char* home = std::getenv("APP_HOME");
    return home != nullptr ? std::string(home) + "/" + path : std::string();
}

// Says which paths a load tried and why each failed.
int loadFailure(const char* path) {
    const std::string why = whyUnreadable(path);
    const std::string fallback = appHomePath(path);
    if (fallback.empty()) {
        return failure("cannot load configuration file '%s': %s (and APP_HOME is not set)", path,
                       why.empty() ? "not loaded" : why.c_str());
    }
    const std::string fallbackWhy = whyUnreadable(fallback);
    return failure("cannot load configuration file '%s': %s; nor '%s': %s", path,
                   why.empty() ? "not loaded" : why.c_str(), fallback.c_str(),
                   fallbackWhy.empty() ? "not loaded" : fallbackWhy.c_str());
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

bool isWhiteSpace(char c) { return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr; }
bool holdsWhiteSpace(const char* text) { return std::strpbrk(text, " \t\n\v\f\r") != nullptr; }

// Why a setting would not read back from the file as written, or null. The
// library refuses the same settings; this gives the reason.
const char* configUnrepresentable(const char* section, const char* key, const char* value) {
    const std::size_t valueLength = std::strlen(value);
    if (section[0] == '\0') return "the SECTION is empty";
    if (holdsWhiteSpace(section)) return "the SECTION holds white space or a line break";
    if (std::strpbrk(section, "[]") != nullptr) return "the SECTION holds '[' or ']'";
    if (holdsWhiteSpace(key)) return "the KEY holds white space or a line break";
    if (std::strchr(key, '=') != nullptr) return "the KEY holds '='";
    if (key[0] == '#' || key[0] == '[') return "the KEY starts with '#' or '[' (a comment or a header)";
    if (std::strpbrk(value, "\r\n") != nullptr) return "the VALUE holds a line break";
    if (valueLength > 0 && (isWhiteSpace(value[0]) || isWhiteSpace(value[valueLength - 1]))) {
        return "the VALUE starts or ends with white space, which is not kept";
    }
    if (std::strlen(section) + 2 > 4094 || std::strlen(key) + 3 + valueLength > 4094) {
        return "the line would be longer than 4094 characters";
    }
    return nullptr;
}

// Why ZnIniReader::SetKey would refuse the write, or null.
const char* iniUnrepresentable(const char* section, const char* key, const char* value) {
    if (std::strpbrk(section, "\r\n") != nullptr || std::strpbrk(key, "\r\n") != nullptr ||
        std::strpbrk(value, "\r\n") != nullptr) {
        return "a line break in the SECTION, KEY or VALUE";
    }
    if (std::strchr(key, '=') != nullptr) return "the KEY holds '='";
    if (std::strchr(section, ']') != nullptr) return "the SECTION holds ']'";
    const char* first = key + std::strspn(key, " \t");
    if (*first == '[' || *first == ';') return "the KEY starts with '[' or ';' (a header or a comment)";
    return nullptr;
}

extern const Command kConfigGet, kConfigSet, kConfigDump, kIniGet, kIniSet, kIniSections, kIniSection;

int configGet(const Arguments& arguments) {
    if (arguments.operands.size() != 3) {
        return usageError(kConfigGet, "expected FILE SECTION KEY");
    }
    const char* const* operand = arguments.operands.data();
    InputFile input(operand[0]);
    if (!input.ready()) {
        return failure("cannot read standard input");
    }
    void* store = OpenConfig(input.path());
    if (store == nullptr) {
        return loadFailure(input.name());
    }
    std::string value;
    const bool found = storeValue(store, operand[1], operand[2], value);
    CloseConfig(store);
    if (!found) {
        return failure("no key '%s' in section '%s' of '%s'", operand[2], operand[1], input.name());
    }
    std::printf("%s\n", value.c_str());
    return kSuccess;
}

// The operands of config-set and ini-set: FILE SECTION KEY VALUE, FILE not standard
// input, and a setting the file can read back as written. 0, or the usage error's status.
int checkSetOperands(const Command& command, const Arguments& arguments,
                     const char* (*unrepresentable)(const char*, const char*, const char*)) {
    if (arguments.operands.size() != 4) {
        return usageError(command, "expected FILE SECTION KEY VALUE");
    }
    const char* const* operand = arguments.operands.data();
    if (isStandardStream(operand[0])) {
        return usageError(command, "FILE is written: it cannot be standard input");
    }
    if (const char* why = unrepresentable(operand[1], operand[2], operand[3])) {
        const std::string message = std::string("refused: ") + why + " (it would not read back as written)";
        return usageError(command, message.c_str());
    }
    return 0;
}

int configSet(const Arguments& arguments) {
    if (const int refused = checkSetOperands(kConfigSet, arguments, configUnrepresentable)) {
        return refused;
    }
    const char* const* operand = arguments.operands.data();
    // The file that the loader would read: the path, else the "APP_HOME" one;
    // the setting is written back there. With neither, the path is created.
    std::string source = operand[0];
    std::error_code error;
    if (!std::filesystem::exists(source, error)) {
        const std::string fallback = appHomePath(operand[0]);
        if (!fallback.empty() && std::filesystem::exists(fallback, error)) {
            source = fallback;
        }
    }
    void* store = nullptr;
    if (std::filesystem::exists(source, error)) {
        const std::string why = whyUnreadable(source);
        store = why.empty() ? OpenConfig(source.c_str()) : nullptr;
        if (store == nullptr) {
            return failure("cannot load configuration file '%s': %s", source.c_str(),
                           why.empty() ? "not loaded" : why.c_str());
        }
    } else {
        store = CreateConfig();
        if (store == nullptr) {
            return failure("out of memory");
        }
    }
    if (SetConfig(store, operand[1], operand[2], operand[3]) != 1) {
        CloseConfig(store);
        return failure("the store refused key '%s' of section '%s'", operand[2], operand[1]);
    }
    std::string why;
    const bool written = replaceFile(
        source, [store](std::FILE* stream) { return DumpConfig(store, stream) == 1; }, &why);
    CloseConfig(store);
    return written ? kSuccess : failure("cannot write configuration file '%s': %s", source.c_str(), why.c_str());
}

int configDump(const Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return usageError(kConfigDump, "expected FILE");
    }
    InputFile input(arguments.operands[0]);
    if (!input.ready()) {
        return failure("cannot read standard input");
    }
    void* store = OpenConfig(input.path());
    if (store == nullptr) {
        return loadFailure(input.name());
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

// The INI file a command reads, or a failure when it cannot be read.
bool readableIni(const InputFile& input, int* status) {
    if (!input.ready()) {
        *status = failure("cannot read standard input");
        return false;
    }
    std::error_code error;
    const std::string why = whyUnreadable(input.path());
    if (!why.empty() || std::filesystem::is_directory(input.path(), error)) {
        *status = failure("cannot read INI file '%s': %s", input.name(), why.empty() ? "a directory" : why.c_str());
        return false;
    }
    return true;
}

int iniGet(const Arguments& arguments) {
    if (arguments.operands.size() != 3) {
        return usageError(kIniGet, "expected FILE SECTION KEY");
    }
    const char* const* operand = arguments.operands.data();
    InputFile input(operand[0]);
    int status = kSuccess;
    if (!readableIni(input, &status)) {
        return status;
    }
    ZnIniReader reader(input.path());
    bool present = false;
    for (const std::string& line : iniList(reader, operand[1])) {
        const std::size_t equals = line.find('=');
        present =
            present || (equals != std::string::npos && sameName(trimmed(line.substr(0, equals)), trimmed(operand[2])));
    }
    if (!present) {
        return failure("no key '%s' in section '%s' of '%s'", operand[2], operand[1], input.name());
    }
    for (unsigned long size = 256;; size *= 2) {
        std::vector<char> value(size);
        reader.GetKeyValue(operand[2], operand[1], value.data(), size);
        if (std::strlen(value.data()) + 1 < size || size >= (1UL << 24)) {
            std::printf("%s\n", value.data());
            return kSuccess;
        }
    }
}

int iniSet(const Arguments& arguments) {
    if (const int refused = checkSetOperands(kIniSet, arguments, iniUnrepresentable)) {
        return refused;
    }
    const char* const* operand = arguments.operands.data();
    ZnIniReader reader(operand[0]);
    if (reader.SetKey(operand[3], operand[2], operand[1]) == 0) {
        std::error_code error;
        const std::filesystem::path directory = std::filesystem::absolute(operand[0], error).parent_path();
        return failure("cannot write key '%s' of section '%s' into '%s'%s", operand[2], operand[1], operand[0],
                       std::filesystem::is_directory(directory, error) ? "" : ": its directory does not exist");
    }
    return kSuccess;
}

int iniSections(const Arguments& arguments) {
    if (arguments.operands.size() != 1) {
        return usageError(kIniSections, "expected FILE");
    }
    InputFile input(arguments.operands[0]);
    int status = kSuccess;
    if (!readableIni(input, &status)) {
        return status;
    }
    ZnIniReader reader(input.path());
    for (const std::string& name : iniList(reader, nullptr)) {
        std::printf("%s\n", name.c_str());
    }
    return kSuccess;
}

int iniSection(const Arguments& arguments) {
    if (arguments.operands.size() != 2) {
        return usageError(kIniSection, "expected FILE SECTION");
    }
    const char* const* operand = arguments.operands.data();
    InputFile input(operand[0]);
    int status = kSuccess;
    if (!readableIni(input, &status)) {
        return status;
    }
    ZnIniReader reader(input.path());
    const std::vector<std::string> lines = iniList(reader, operand[1]);
    if (lines.empty() && !sectionListed(reader, operand[1])) {
        return failure("no section '%s' in '%s'", operand[1], input.name());
    }
    for (const std::string& line : lines) {
        std::printf("%s\n", line.c_str());
    }
    return kSuccess;
}

const Command kConfigGet{"config-get", "FILE SECTION KEY", "print a value of a configuration file", configGet};
const Command kConfigSet{"config-set",
                         "FILE SECTION KEY VALUE",
                         "set a value and write the file back (created when missing; comments are not kept)",
                         configSet,
                         "",
                         "The file written is the one config-get reads: FILE, else $APP_HOME/FILE; with\n"
                         "neither, FILE is created. It is replaced whole through a new file of a unique\n"
                         "name beside it that takes its permissions, owner and group; a symbolic link is\n"
                         "followed to the file it names. A setting that would not read back as written\n"
                         "(a line break, a blank in SECTION or KEY, blanks round VALUE) is refused: exit 2."};
const Command kConfigDump{"config-dump", "FILE", "print a configuration file as the store reads it", configDump};
const Command kIniGet{"ini-get", "FILE SECTION KEY", "print a value of an INI file", iniGet};
const Command kIniSet{"ini-set",
                      "FILE SECTION KEY VALUE",
                      "set a value in an INI file (created when missing)",
                      iniSet,
                      "",
                      "Refused with exit 2, the file untouched: a line break anywhere, '=' in KEY,\n"
                      "']' in SECTION, a KEY starting with '[' or ';'."};
const Command kIniSections{"ini-sections", "FILE", "list the sections of an INI file", iniSections};
const Command kIniSection{"ini-section", "FILE SECTION", "list the lines of a section of an INI file", iniSection};

const CommandRegistration registrations[] = {CommandRegistration(kConfigGet),  CommandRegistration(kConfigSet),
                                             CommandRegistration(kConfigDump), CommandRegistration(kIniGet),
                                             CommandRegistration(kIniSet),     CommandRegistration(kIniSections),
                                             CommandRegistration(kIniSection)};

}  // namespace

}  // namespace utilctl
