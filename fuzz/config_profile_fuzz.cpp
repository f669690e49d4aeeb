// Runs the INI engine's reads and writes on the input as an INI file, with
// buffers of exactly the size passed, and checks that writes read back; the
// input's bytes convert to the engine's text and back unchanged, and the file
// reader splits them into the lines the in-memory reader gives.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/profile_engine.h"
#include "config/profile_text.h"

namespace {

using namespace util::config;

std::string readValue(const std::string& text, const char* section, const char* key) {
    std::vector<char> buffer(64);
    profileGetString(&text, section, key, "<default>", buffer.data(), buffer.size());
    return buffer.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const unsigned long bufferSize = data[0] % 40;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    // Every section and key the engine lists, read with a small exact buffer.
    std::vector<char> names(1 << 16);
    const unsigned long namesLength = profileGetSectionNames(&text, names.data(), names.size());
    for (const char* name = names.data(); name < names.data() + namesLength; name += std::strlen(name) + 1) {
        std::vector<char> keys(1 << 16);
        const unsigned long keysLength = profileGetString(&text, name, nullptr, "", keys.data(), keys.size());
        for (const char* key = keys.data(); key < keys.data() + keysLength; key += std::strlen(key) + 1) {
            std::vector<char> small(bufferSize);
            const unsigned long length = profileGetString(&text, name, key, "d", small.data(), bufferSize);
            if (bufferSize > 0 && length >= bufferSize) {
                std::abort();
            }
        }
        std::vector<char> section(bufferSize);
        if (profileGetSection(&text, name, section.data(), bufferSize) > (bufferSize > 2 ? bufferSize - 2 : 0)) {
            std::abort();
        }
    }
    std::vector<char> small(bufferSize);
    profileGetSectionNames(&text, small.data(), bufferSize);

    // The file's encoding: whatever decodes whole encodes back to the same bytes,
    // and the file reader gives the lines of the decoded text.
    std::string decoded, encoded;
    std::size_t mark;
    if (decodeProfileText(text, decoded)) {
        if (!encodeProfileText(decoded, encodingOf(text, &mark), encoded) || encoded != text) {
            std::abort();
        }
        if (std::FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb")) {
            StreamLines fromFile(file);
            TextLines fromText(decoded);
            std::string_view left, right;
            for (;;) {
                const bool more = fromFile.next(left);
                if (more != fromText.next(right) || (more && left != right)) {
                    std::abort();
                }
                if (!more) {
                    break;
                }
            }
            std::fclose(file);
        }
    }

    // Writes read back; deletions leave the default.
    const std::string original = text;
    if (profileWriteString(text, "fuzz section", "fuzz key", "fuzz value") == ProfileEdit::kRefused ||
        readValue(text, "fuzz section", "fuzz key") != "fuzz value") {
        std::abort();
    }
    profileWriteString(text, "fuzz section", "fuzz key", nullptr);
    if (readValue(text, "fuzz section", "fuzz key") != "<default>") {
        std::abort();
    }
    if (namesLength > 0) {
        std::string edited = original;
        profileWriteString(edited, names.data(), nullptr, nullptr);
        profileWriteString(edited, names.data(), "k", "v");
        if (readValue(edited, names.data(), "k") != "v") {
            std::abort();
        }
    }
    return 0;
}
