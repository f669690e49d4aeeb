// Test helpers for the drive readers: identify replies laid out as a drive sends
// them, and a stand-in for the drive devices that records every request and
// answers from scripted replies, so the tests check the exact bytes sent and how
// the replies are read.
#ifndef UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H
#define UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H

#include <algorithm>
#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "identity/identity_platform.h"
#include "identity/drive_text.h"

namespace identity_test {

using Bytes = std::vector<unsigned char>;

/// The 512 little-endian bytes of an identify reply: `serial` in words 10-19
/// padded with blanks to 20 characters, `model` in words 27-46 padded to 40;
/// each word holds two characters, the first in the high byte.
inline Bytes identifyBytes(std::string serial, std::string model) {
    serial.resize(20, ' ');
    model.resize(40, ' ');
    Bytes bytes(512, 0);
    const std::string text = serial + std::string(14, '\0') + model;  // words 10-46
    for (std::size_t index = 0; index < text.size(); index += 2) {
        bytes[20 + index] = static_cast<unsigned char>(text[index + 1]);
        bytes[21 + index] = static_cast<unsigned char>(text[index]);
    }
    return bytes;
}

/// The same reply as the 256 widened words the store reads.
inline std::vector<std::uint32_t> identifyWords(const std::string& serial, const std::string& model) {
    std::vector<std::uint32_t> words(256);
    util::identity::widenIdentifyBytes(identifyBytes(serial, model).data(), words.data());
    return words;
}

class FakeDriveDevices : public util::identity::DriveDevices {
public:
    struct Open {
        std::string path;
        std::uint32_t access, sharing, creation, flags;
    };
    struct Control {
        std::string path;
        std::uint32_t code;
        Bytes input;  // as sent
        std::uint32_t outputLength;
        bool outputZeroed;  // zero beyond the input bytes when sent
    };

    unsigned long platform = 2;
    std::set<std::string> present;
    std::vector<Open> opens;
    std::vector<Control> controls;
    std::vector<std::string> events;  // closes, priorities and messages, in order

    /// Queues a reply for the next request with `code` on `path`; with none queued it fails.
    void reply(const std::string& path, std::uint32_t code, Bytes bytes) {
        replies[path + "#" + std::to_string(code)].push_back(std::move(bytes));
    }
    std::vector<Control> controlsOn(const std::string& path) const {
        std::vector<Control> found;
        for (const Control& control : controls) {
            if (control.path == path) found.push_back(control);
        }
        return found;
    }

    unsigned long platformId() override { return platform; }
    void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing, std::uint32_t creation,
                     std::uint32_t flags) override {
        opens.push_back({path, access, sharing, creation, flags});
        if (present.count(path) == 0) return nullptr;
        handlePaths.push_back(path);
        return reinterpret_cast<void*>(handlePaths.size());
    }
    bool controlDevice(void* device, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                       std::uint32_t outputLength) override {
        const auto* in = static_cast<const unsigned char*>(input);
        auto* out = static_cast<unsigned char*>(output);
        const bool zeroed = std::all_of(out + (output == input ? inputLength : 0), out + outputLength,
                                        [](unsigned char byte) { return byte == 0; });
        const std::string& path = handlePaths.at(reinterpret_cast<std::size_t>(device) - 1);
        controls.push_back({path, code, Bytes(in, in + (in != nullptr ? inputLength : 0)), outputLength, zeroed});
        auto& queue = replies[path + "#" + std::to_string(code)];
        if (queue.empty()) return false;
        std::copy_n(queue.front().begin(), std::min<std::size_t>(queue.front().size(), outputLength), out);
        queue.pop_front();
        return true;
    }
    void closeDevice(void* device) override {
        events.push_back("close " + handlePaths.at(reinterpret_cast<std::size_t>(device) - 1));
    }
    void setPriorityClass(std::uint32_t value) override { events.push_back("priority " + std::to_string(value)); }
    void showMessage(const char* text, const char* caption, std::uint32_t style) override {
        events.push_back(std::string("message ") + text + " | " + caption + " | " + std::to_string(style));
    }

private:
    std::map<std::string, std::deque<Bytes>> replies;
    std::vector<std::string> handlePaths;
};

}  // namespace identity_test

#endif
