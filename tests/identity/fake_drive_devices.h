// A stand-in for the drive devices: records every request the readers make and
// answers from scripted replies, so the tests check the exact bytes sent and how
// the replies are read.
#ifndef UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H
#define UTIL_TESTS_IDENTITY_FAKE_DRIVE_DEVICES_H

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "identity/drive_devices.h"

namespace identity_test {

class FakeDriveDevices : public util::identity::DriveDevices {
public:
    struct Open {
        std::string path;
        std::uint32_t access, sharing, creation, flags;
    };
    struct Control {
        std::string path;
        std::uint32_t code;
        std::vector<unsigned char> input;  // the input bytes as sent
        std::uint32_t outputLength;
        bool outputZeroed;                 // the output buffer was zero-filled when sent
    };

    unsigned long platform = 2;
    std::set<std::string> present;
    std::vector<Open> opens;
    std::vector<Control> controls;
    std::vector<std::string> events;  // closes, priorities and messages, in order
    int openHandles = 0;

    /// Queues a reply for the next request with `code` on `path`; an empty queue fails.
    void reply(const std::string& path, std::uint32_t code, std::vector<unsigned char> bytes) {
        replies[{path, code}].push_back(std::move(bytes));
    }

    unsigned long platformId() override { return platform; }

    void* openDevice(const char* path, std::uint32_t access, std::uint32_t sharing,
                     std::uint32_t creation, std::uint32_t flags) override {
        opens.push_back({path, access, sharing, creation, flags});
        if (present.count(path) == 0) {
            return nullptr;
        }
        ++openHandles;
        handlePaths.push_back(path);
        return reinterpret_cast<void*>(handlePaths.size());
    }

    bool controlDevice(void* device, std::uint32_t code, const void* input, std::uint32_t inputLength,
                       void* output, std::uint32_t outputLength) override {
        const std::string& path = handlePaths.at(reinterpret_cast<std::size_t>(device) - 1);
        const unsigned char* inputBytes = static_cast<const unsigned char*>(input);
        const unsigned char* outputBytes = static_cast<const unsigned char*>(output);
        bool zeroed = true;
        for (std::uint32_t index = 0; index < outputLength; ++index) {
            // Where input and output share the buffer, only the part past the input must be zero.
            if (outputBytes[index] != 0 && !(output == input && index < inputLength)) {
                zeroed = false;
            }
        }
        controls.push_back({path, code,
                            std::vector<unsigned char>(inputBytes, inputBytes + (input ? inputLength : 0)),
                            outputLength, zeroed});
        auto queue = replies.find({path, code});
        if (queue == replies.end() || queue->second.empty()) {
            return false;
        }
        const std::vector<unsigned char> bytes = queue->second.front();
        queue->second.pop_front();
        std::memcpy(output, bytes.data(), bytes.size() < outputLength ? bytes.size() : outputLength);
        return true;
    }

    void closeDevice(void* device) override {
        --openHandles;
        events.push_back("close " + handlePaths.at(reinterpret_cast<std::size_t>(device) - 1));
    }

    void setPriorityClass(std::uint32_t priorityClass) override {
        events.push_back("priority " + std::to_string(priorityClass));
    }

    void showMessage(const char* text, const char* caption, std::uint32_t style) override {
        events.push_back(std::string("message ") + text + " | " + caption + " | " + std::to_string(style));
    }

    std::vector<Control> controlsOn(const std::string& path) const {
        std::vector<Control> found;
        for (const Control& control : controls) {
            if (control.path == path) {
                found.push_back(control);
            }
        }
        return found;
    }

private:
    std::map<std::pair<std::string, std::uint32_t>, std::deque<std::vector<unsigned char>>> replies;
    std::vector<std::string> handlePaths;
};

}  // namespace identity_test

#endif
