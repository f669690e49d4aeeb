// LastError and WinsockLastError: lazy, cached texts over the platform's lookups.
#include "log/last_error.h"

#include "log/log_platform.h"

namespace {

// Read-only: a caller writing to it faults instead of changing later results.
const char kNoText[1] = "";

char* noText() { return const_cast<char*>(kNoText); }

}  // namespace

LastError::LastError() : code(util::threadLastError()), text(nullptr) {}

LastError::LastError(unsigned long errorCode) : code(errorCode), text(nullptr) {}

LastError::LastError(const LastError& other) : code(other.code), text(nullptr) {}

LastError::~LastError() { Clean(); }

LastError::operator char*() {
    if (text == nullptr) {
        text = util::formatSystemErrorText(code);
    }
    return text != nullptr ? text : noText();
}

LastError::operator int() const { return static_cast<int>(code); }

int LastError::operator=(unsigned long errorCode) {
    code = errorCode;
    Clean();
    return 0;
}

LastError& LastError::operator=(const LastError& other) {
    if (this != &other) {
        code = other.code;
        Clean();
    }
    return *this;
}

void LastError::Clean() {
    if (text != nullptr) {
        util::releaseErrorText(text);
        text = nullptr;
    }
}

WinsockLastError::WinsockLastError() : LastError(util::threadSocketError()) {}

WinsockLastError::WinsockLastError(unsigned long errorCode) : LastError(errorCode) {}

WinsockLastError::WinsockLastError(const WinsockLastError& other) : LastError(other) {}

WinsockLastError::~WinsockLastError() = default;

WinsockLastError::operator char*() {
    if (text == nullptr) {
        text = util::loadSocketErrorText(code);
    }
    return text != nullptr ? text : const_cast<char*>(kNoText);
}

WinsockLastError& WinsockLastError::operator=(const WinsockLastError& other) {
    LastError::operator=(other);
    return *this;
}
