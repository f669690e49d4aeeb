// Loads the input as a configuration file, reads every entry back through
// GetConfig, changes it, and checks that a dump reads back to the same dump.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "config/config_records.h"
#include "config/config_store.h"

namespace {

std::string temporaryPath(const char* suffix) {
    static const std::string stem = [] {
        std::random_device random;
        return (std::filesystem::temp_directory_path() / ("fuzz_config_" + std::to_string(random()))).string();
    }();
    return stem + suffix;
}

void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::abort();
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

std::string dumpText(void* store, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w+b");
    if (file == nullptr) {
        std::abort();
    }
    DumpConfig(store, file);
    std::string text;
    std::rewind(file);
    int c;
    while ((c = std::fgetc(file)) != EOF) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    return text;
}

// Pieces of 4094 characters cut long lines, so only short dumps must read back.
bool hasOnlyShortLines(const std::string& text) {
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        if (end - start > 4000) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string input = temporaryPath(".conf");
    const std::string dump = temporaryPath(".dump");
    writeFile(input, data, size);
    void* store = OpenConfig(input.c_str());
    if (store == nullptr) {
        std::abort();  // an existing file always loads
    }
    ConfigStore* records = static_cast<ConfigStore*>(store);
    for (ConfigSection* section = records->firstSection; section != nullptr; section = section->next) {
        for (ConfigEntry* entry = section->firstEntry; entry != nullptr; entry = entry->next) {
            char buffer[4096];
            int length = sizeof buffer - 1;
            if (GetConfig(store, section->name, entry->key, buffer, &length) != 1) {
                std::abort();  // every loaded key is found
            }
        }
    }
    const std::string first = dumpText(store, dump);
    if (records->firstSection != nullptr) {
        SetConfig(store, records->firstSection->name, "fuzz", "value");
    }
    CloseConfig(store);
    if (hasOnlyShortLines(first)) {
        writeFile(input, reinterpret_cast<const std::uint8_t*>(first.data()), first.size());
        void* again = OpenConfig(input.c_str());
        if (again == nullptr || dumpText(again, dump) != first) {
            std::abort();
        }
        CloseConfig(again);
    }
    std::remove(input.c_str());
    std::remove(dump.c_str());
    return 0;
}
