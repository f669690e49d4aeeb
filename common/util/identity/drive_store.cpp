// The chosen drive's texts, the serial fold and the vendor offset.
#include "identity/drive_store.h"

#include <cstring>

#include "identity/drive_text.h"

namespace util {
namespace identity {

char driveSerialText[kDriveTextCapacity];
char driveModelText[kDriveTextCapacity];

namespace {

const char* textSource = "";

constexpr std::int64_t kFoldModulus = 100000000;

std::uint64_t characterValue(unsigned char character) {
    if (character >= '1' && character <= '9') {
        return character - '0';
    }
    if (character >= 'A' && character <= 'Z') {
        return character - 'A' + 10;
    }
    if (character >= 'a' && character <= 'z') {
        return character - 'a' + 10;
    }
    return 0;
}

}  // namespace

void storeDriveIdentity(const std::uint32_t words[256]) {
    char serial[kDriveTextCapacity];
    copyTextCut(serial, sizeof serial, identifyWordsToText(words, 10, 19));
    if (driveSerialText[0] != '\0' || !serialTextIsAcceptable(serial)) {
        return;
    }
    copyTextCut(driveSerialText, kDriveTextCapacity, serial);
    copyTextCut(driveModelText, kDriveTextCapacity, identifyWordsToText(words, 27, 46));
}

bool storeDriveTexts(const char* serial, const char* model) {
    if (driveSerialText[0] != '\0' || !serialTextIsAcceptable(serial)) {
        return false;
    }
    copyTextCut(driveSerialText, kDriveTextCapacity, serial);
    if (model != nullptr) {
        copyTextCut(driveModelText, kDriveTextCapacity, model);
    }
    return true;
}

std::int64_t foldSerialText(const char* serial) {
    if (serial == nullptr) {
        return 0;
    }
    const char* position = serial;
    if (std::strncmp(serial, "WD-W", 4) == 0) {
        // The prefix and the character after it; a text of five or fewer leaves nothing.
        position = std::strlen(serial) > 5 ? serial + 5 : serial + std::strlen(serial);
    }
    // Unsigned arithmetic wraps modulo 2^64 without undefined behaviour.
    std::uint64_t accumulator = 0;
    for (; *position != '\0'; ++position) {
        if (*position == '-') {
            continue;
        }
        accumulator = accumulator * 10 + characterValue(static_cast<unsigned char>(*position));
    }
    return static_cast<std::int64_t>(accumulator);
}

long vendorOffset(const char* model) {
    if (model == nullptr) {
        return 600000000L;
    }
    if (std::strstr(model, "IBM-") != nullptr) {
        return 300000000L;
    }
    if (std::strstr(model, "MAXTOR") != nullptr || std::strstr(model, "Maxtor") != nullptr) {
        return 400000000L;
    }
    if (std::strstr(model, "WDC ") != nullptr) {
        return 500000000L;
    }
    return 600000000L;
}

long identifierFromTexts(const char* serial, const char* model) {
    std::int64_t accumulator = 0;
    if (serial != nullptr && static_cast<signed char>(serial[0]) > 0) {
        accumulator = foldSerialText(serial);
    }
    // C++ division truncates, so the remainder keeps the accumulator's sign.
    const std::int64_t remainder = accumulator % kFoldModulus;
    return static_cast<long>(remainder + vendorOffset(model));
}

long computeHardDriveComputerID(void (*readDrives)()) {
    driveSerialText[0] = '\0';
    driveModelText[0] = '\0';
    textSource = "";
    if (readDrives != nullptr) {
        readDrives();
    }
    return identifierFromTexts(driveSerialText, driveModelText);
}

void noteDriveTextSource(const char* name) {
    if (driveSerialText[0] != '\0' && textSource[0] == '\0') {
        textSource = name;
    }
}

const char* driveTextSource() { return textSource; }

}  // namespace identity
}  // namespace util
