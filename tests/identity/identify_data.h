// Identify replies for the identity tests: serial and model texts laid into the
// words an ATA drive returns (two characters a word, the first in the high byte).
#ifndef UTIL_TESTS_IDENTITY_IDENTIFY_DATA_H
#define UTIL_TESTS_IDENTITY_IDENTIFY_DATA_H

#include <cstdint>
#include <string>
#include <vector>

namespace identity_test {

/// 256 widened words with `text` from word `first` on, NUL-padded; other words 0.
inline std::vector<std::uint32_t> wordsWithText(const std::string& text, int first) {
    std::vector<std::uint32_t> words(256, 0);
    for (std::size_t index = 0; index < text.size(); index += 2) {
        const unsigned high = static_cast<unsigned char>(text[index]);
        const unsigned low = index + 1 < text.size() ? static_cast<unsigned char>(text[index + 1]) : 0;
        words[first + index / 2] = (high << 8) | low;
    }
    return words;
}

/// The 512 little-endian bytes of an identify reply: `serial` in words 10-19
/// padded with blanks to 20 characters, `model` in words 27-46 padded to 40.
inline std::vector<unsigned char> identifyBytes(std::string serial, std::string model) {
    serial.resize(20, ' ');
    model.resize(40, ' ');
    std::vector<unsigned char> bytes(512, 0);
    auto place = [&bytes](const std::string& text, int firstWord) {
        for (std::size_t index = 0; index < text.size(); index += 2) {
            bytes[2 * firstWord + index] = static_cast<unsigned char>(text[index + 1]);  // low byte
            bytes[2 * firstWord + index + 1] = static_cast<unsigned char>(text[index]);  // high byte
        }
    };
    place(serial, 10);
    place(model, 27);
    return bytes;
}

}  // namespace identity_test

#endif
