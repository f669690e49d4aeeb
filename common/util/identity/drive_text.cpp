// Drive identity texts: identify words and hex-pair descriptor serials to text.
#include "identity/drive_text.h"

#include <cstring>

namespace util {
namespace identity {

namespace {

constexpr std::size_t kWordTextCapacity = 1024;
constexpr std::size_t kHexTextCapacity = 1000;

char wordTextBuffer[kWordTextCapacity];
char hexTextBuffer[kHexTextCapacity];

bool isAsciiLetterOrDigit(char character) {
    const unsigned char value = static_cast<unsigned char>(character);
    return (value >= '0' && value <= '9') || (value >= 'A' && value <= 'Z') || (value >= 'a' && value <= 'z');
}

unsigned hexDigitValue(char character) {
    if (character >= '0' && character <= '9') {
        return static_cast<unsigned>(character - '0');
    }
    if (character >= 'A' && character <= 'F') {
        return static_cast<unsigned>(character - 'A' + 10);
    }
    if (character >= 'a' && character <= 'f') {
        return static_cast<unsigned>(character - 'a' + 10);
    }
    return 0;
}

}  // namespace

void widenIdentifyBytes(const unsigned char* bytes, std::uint32_t words[kIdentifyWordCount]) {
    for (int index = 0; index < kIdentifyWordCount; ++index) {
        words[index] =
            static_cast<std::uint32_t>(bytes[2 * index]) | (static_cast<std::uint32_t>(bytes[2 * index + 1]) << 8);
    }
}

void widenKernelIdentifyReply(const unsigned char* reply, std::uint32_t words[kIdentifyWordCount]) {
    struct TextField {
        int first, last;
    };
    constexpr TextField kTextFields[] = {{10, 19}, {23, 26}, {27, 46}};
    for (int index = 0; index < kIdentifyWordCount; ++index) {
        std::uint16_t hostWord;
        std::memcpy(&hostWord, reply + 2 * index, sizeof hostWord);
        words[index] = hostWord;
    }
    for (const TextField& field : kTextFields) {
        for (int index = field.first; index <= field.last; ++index) {
            words[index] = (static_cast<std::uint32_t>(reply[2 * index]) << 8) | reply[2 * index + 1];
        }
    }
}

char* identifyWordsToText(const std::uint32_t* words, int first, int last) {
    std::size_t length = 0;
    if (words != nullptr) {
        for (int index = first; index <= last; ++index) {
            if (index < 0 || index >= kIdentifyWordCount) {
                continue;
            }
            wordTextBuffer[length++] = static_cast<char>((words[index] >> 8) & 0xFF);
            wordTextBuffer[length++] = static_cast<char>(words[index] & 0xFF);
        }
    }
    wordTextBuffer[length] = '\0';
    // A NUL inside the range ends the text; then cut trailing blanks but keep index 0.
    length = std::strlen(wordTextBuffer);
    while (length > 1 && wordTextBuffer[length - 1] == ' ') {
        wordTextBuffer[--length] = '\0';
    }
    return wordTextBuffer;
}

char* hexPairsToText(const char* text) {
    std::size_t length = 0;
    const std::size_t textLength = text != nullptr ? std::strlen(text) : 0;
    for (std::size_t groupStart = 0; groupStart < textLength; groupStart += 4) {
        char group[4];
        for (std::size_t position = 0; position < 4; ++position) {
            group[position] = groupStart + position < textLength ? text[groupStart + position] : '0';
        }
        // The pair at positions 2 and 3 comes first: the two bytes of the word swap places.
        const unsigned values[2] = {16 * hexDigitValue(group[2]) + hexDigitValue(group[3]),
                                    16 * hexDigitValue(group[0]) + hexDigitValue(group[1])};
        for (unsigned value : values) {
            if (value != 0 && length < kHexTextCapacity - 1) {
                hexTextBuffer[length++] = static_cast<char>(value);
            }
        }
        if (length == kHexTextCapacity - 1) {
            break;
        }
    }
    hexTextBuffer[length] = '\0';
    return hexTextBuffer;
}

bool serialTextIsAcceptable(const char* text) {
    if (text == nullptr) {
        return false;
    }
    if (isAsciiLetterOrDigit(text[0])) {
        return true;
    }
    return std::strlen(text) >= 20 && isAsciiLetterOrDigit(text[19]);
}

void copyTextCut(char* buffer, std::size_t capacity, const char* text) {
    if (capacity == 0) {
        return;
    }
    std::size_t length = 0;
    if (text != nullptr) {
        while (length < capacity - 1 && text[length] != '\0') {
            buffer[length] = text[length];
            ++length;
        }
    }
    buffer[length] = '\0';
}

}  // namespace identity
}  // namespace util
