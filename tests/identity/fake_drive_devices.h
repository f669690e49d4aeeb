// Test helpers for the drive readers: identify replies laid out as a drive sends
// them, and a stand-in for the drive devices that records every request and
// answers from scripted replies.
#ifndef UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H
#define UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "identity/identity_platform.h"
#include "identity/drive_text.h"

namespace identity_test {

using Bytes = std::vector<unsigned char>;
using Lines = std::vector<std::string>;

/// The 512 little-endian bytes of an identify reply, behind `header` zero bytes:
/// `serial` in words 10-19 padded with blanks to 20 characters, `model` in words
/// 27-46 padded to 40; each word holds two characters, the first in the high byte.
inline Bytes identifyBytes(std::string serial, std::string model, std::size_t header = 0) {
    serial.resize(20, ' ');
    model.resize(40, ' ');
    Bytes bytes(header + 512, 0);
    const std::string text = serial + std::string(14, '\0') + model;  // words 10-46
    for (std::size_t index = 0; index < text.size(); index += 2) {
        bytes[header + 20 + index] = static_cast<unsigned char>(text[index + 1]);
        bytes[header + 21 + index] = static_cast<unsigned char>(text[index]);
    }
    return bytes;
}

/// The same reply as the 256 widened words the store reads.
inline std::vector<std::uint32_t> identifyWords(const std::string& serial, const std::string& model) {
    std::vector<std::uint32_t> words(256);
    util::identity::widenIdentifyBytes(identifyBytes(serial, model).data(), words.data());
    return words;
}

inline std::string hex(unsigned value) {
    char text[12];
    std::snprintf(text, sizeof text, "%x", value);
    return text;
}

class FakeDriveDevices : public util::identity::DriveDevices {
public:
    using Device = std::pair<const std::string, std::map<std::uint32_t, std::deque<Bytes>>>;

    unsigned long platform = 2;
    Lines opens;     // "path access sharing creation flags", the numbers in hex
    Lines controls;  // "path code [input length: offset=byte ...] output length", the non-zero input bytes in hex
    Lines events;    // closes, priorities and messages, in order

    /// Makes `path` present and queues a reply for its next request with `code`;
    /// an empty reply, or none queued, fails the request.
    void reply(const std::string& path, std::uint32_t code, Bytes bytes = {}) {
        devices[path][code].push_back(std::move(bytes));
    }

    unsigned long platformId() override { return platform; }
    void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing, std::uint32_t creation,
                     std::uint32_t flags) override {
        opens.push_back(std::string(path) + " " + hex(access) + " " + hex(sharing) + " " + hex(creation) + " " +
                        hex(flags));
        const auto found = devices.find(path);
        return found != devices.end() ? &*found : nullptr;
    }
    bool controlDevice(void* handle, std::uint32_t code, const void* input, std::uint32_t inputLength, void* output,
                       std::uint32_t outputLength) override {
        Device& device = *static_cast<Device*>(handle);
        const auto* in = static_cast<const unsigned char*>(input);
        auto* out = static_cast<unsigned char*>(output);
        std::string line = device.first + " " + hex(code) + " [" + std::to_string(inputLength) + ":";
        for (std::uint32_t at = 0; in != nullptr && at < inputLength; ++at) {
            if (in[at] != 0) line += " " + hex(at) + "=" + hex(in[at]);
        }
        controls.push_back(line + "] " + std::to_string(outputLength));
        // Every reader hands over an output buffer that is zero beyond its input bytes.
        EXPECT_TRUE(std::all_of(out + (output == input ? inputLength : 0), out + outputLength, [](unsigned char byte) {
            return byte == 0;
        })) << controls.back();
        Bytes answer;
        if (!device.second[code].empty()) {
            answer = std::move(device.second[code].front());
            device.second[code].pop_front();
        }
        std::copy_n(answer.begin(), std::min<std::size_t>(answer.size(), outputLength), out);
        return !answer.empty();
    }
    void closeDevice(void* handle) override { events.push_back("close " + static_cast<Device*>(handle)->first); }
    void setPriorityClass(std::uint32_t value) override { events.push_back("priority " + std::to_string(value)); }
    void showMessage(const char* text, const char* caption, std::uint32_t style) override {
        events.push_back(std::string("message ") + text + " | " + caption + " | " + std::to_string(style));
    }

private:
    std::map<std::string, std::map<std::uint32_t, std::deque<Bytes>>> devices;
};

}  // namespace identity_test

#endif
