// The drive text converters on arbitrary input: hex-pair descriptor texts of any
// length, identify words of any value over any index range, and the acceptance
// test and fold on what comes out. Results must stay in their buffers and end.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "identity/drive_store.h"
#include "identity/drive_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace util::identity;
    const std::string text(reinterpret_cast<const char*>(data), size);  // NUL-terminated copy

    const char* pairs = hexPairsToText(text.c_str());
    if (std::strlen(pairs) > 999) {
        std::abort();
    }
    serialTextIsAcceptable(pairs);
    identifierFromTexts(pairs, text.c_str());

    unsigned char bytes[kIdentifyByteCount] = {};
    std::memcpy(bytes, data, size < sizeof bytes ? size : sizeof bytes);
    std::uint32_t words[kIdentifyWordCount];
    widenIdentifyBytes(bytes, words);
    if (size >= 2) {
        // Arbitrary 32-bit values, as a caller might widen them, and arbitrary ranges.
        words[data[0]] = static_cast<std::uint32_t>(data[1]) * 0x01010101u;
    }
    const int first = size >= 3 ? static_cast<int>(static_cast<std::int8_t>(data[2])) * 4 : 10;
    const int last = size >= 4 ? static_cast<int>(data[3]) + 8 : 19;
    const char* wordsText = identifyWordsToText(words, first, last);
    if (std::strlen(wordsText) > 1023) {
        std::abort();
    }
    storeDriveIdentity(words);
    identifierFromTexts(driveSerialText, driveModelText);
    driveSerialText[0] = '\0';
    return 0;
}
