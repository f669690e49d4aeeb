// INI file encodings and the line-by-line file reader.
#include "config/profile_text.h"

namespace util {
namespace config {

namespace {

bool isHighSurrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// UTF-8 for one code point (a lone surrogate too); returns the byte count.
std::size_t encodeUtf8(unsigned point, char* out) {
    if (point < 0x80) {
        out[0] = static_cast<char>(point);
        return 1;
    }
    if (point < 0x800) {
        out[0] = static_cast<char>(0xC0 | (point >> 6));
        out[1] = static_cast<char>(0x80 | (point & 0x3F));
        return 2;
    }
    if (point < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (point >> 12));
        out[1] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (point & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (point >> 18));
    out[1] = static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (point & 0x3F));
    return 4;
}

// The next code point of UTF-8 text at `position` (surrogates allowed, so that a
// lone one read from a file goes back as it came); false for bytes that are not
// UTF-8: a stray continuation byte, an overlong or cut sequence, a point above
// 0x10FFFF.
bool decodeUtf8(std::string_view text, std::size_t& position, unsigned& point) {
    const unsigned char first = static_cast<unsigned char>(text[position]);
    std::size_t count;
    unsigned minimum;
    if (first < 0x80) {
        point = first;
        ++position;
        return true;
    } else if (first >= 0xC2 && first <= 0xDF) {
        count = 1, minimum = 0x80, point = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
        count = 2, minimum = 0x800, point = first & 0x0F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        count = 3, minimum = 0x10000, point = first & 0x07;
    } else {
        return false;
    }
    if (text.size() - position <= count) {
        return false;
    }
    for (std::size_t index = 1; index <= count; ++index) {
        const unsigned char next = static_cast<unsigned char>(text[position + index]);
        if ((next & 0xC0) != 0x80) {
            return false;
        }
        point = point << 6 | (next & 0x3F);
    }
    if (point < minimum || point > 0x10FFFF) {
        return false;
    }
    position += count + 1;
    return true;
}

void appendUnit(std::string& bytes, unsigned unit, bool little) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes.push_back(little ? low : high);
    bytes.push_back(little ? high : low);
}

}  // namespace

ProfileEncoding encodingOf(std::string_view start, std::size_t* markLength) {
    *markLength = 0;
    if (start.size() >= 2 && start[0] == '\xFF' && start[1] == '\xFE') {
        *markLength = 2;
        return ProfileEncoding::kUtf16Little;
    }
    if (start.size() >= 2 && start[0] == '\xFE' && start[1] == '\xFF') {
        *markLength = 2;
        return ProfileEncoding::kUtf16Big;
    }
    if (start.size() >= 3 && start.substr(0, 3) == "\xEF\xBB\xBF") {
        *markLength = 3;
        return ProfileEncoding::kUtf8Marked;
    }
    return ProfileEncoding::kBytes;
}

bool decodeProfileText(std::string_view bytes, std::string& text) {
    std::size_t mark;
    const ProfileEncoding encoding = encodingOf(bytes, &mark);
    text.clear();
    if (encoding == ProfileEncoding::kBytes || encoding == ProfileEncoding::kUtf8Marked) {
        text.assign(bytes.substr(mark));
        return true;
    }
    const bool little = encoding == ProfileEncoding::kUtf16Little;
    auto unitAt = [&](std::size_t index) {
        const unsigned first = static_cast<unsigned char>(bytes[index]);
        const unsigned second = static_cast<unsigned char>(bytes[index + 1]);
        return little ? (first | second << 8) : (first << 8 | second);
    };
    text.reserve((bytes.size() - mark) / 2);
    char out[4];
    std::size_t index = mark;
    for (; index + 1 < bytes.size(); index += 2) {
        unsigned point = unitAt(index);
        if (isHighSurrogate(point) && index + 3 < bytes.size() && isLowSurrogate(unitAt(index + 2))) {
            point = 0x10000 + ((point - 0xD800) << 10) + (unitAt(index + 2) - 0xDC00);
            index += 2;
        }
        text.append(out, encodeUtf8(point, out));
    }
    return index == bytes.size();  // an odd byte at the end cannot be written back
}

bool encodeProfileText(std::string_view text, ProfileEncoding encoding, std::string& bytes) {
    bytes.clear();
    if (encoding == ProfileEncoding::kBytes) {
        bytes.assign(text);
        return true;
    }
    if (encoding == ProfileEncoding::kUtf8Marked) {
        bytes = "\xEF\xBB\xBF";
        bytes.append(text);
        return true;
    }
    const bool little = encoding == ProfileEncoding::kUtf16Little;
    bytes.reserve(2 + text.size() * 2);
    appendUnit(bytes, 0xFEFF, little);
    for (std::size_t position = 0; position < text.size();) {
        unsigned point;
        if (!decodeUtf8(text, position, point)) {
            return false;
        }
        if (point >= 0x10000) {
            appendUnit(bytes, 0xD800 + ((point - 0x10000) >> 10), little);
            appendUnit(bytes, 0xDC00 + ((point - 0x10000) & 0x3FF), little);
        } else {
            appendUnit(bytes, point, little);
        }
    }
    return true;
}

bool StreamLines::nextRawByte(unsigned char& byte) {
    if (at_ == have_) {
        if (file_ == nullptr || std::feof(file_) || std::ferror(file_)) {
            return false;
        }
        have_ = std::fread(chunk_, 1, sizeof chunk_, file_);
        at_ = 0;
        if (have_ == 0) {
            return false;
        }
    }
    byte = chunk_[at_++];
    return true;
}

bool StreamLines::nextUnit(unsigned& unit) {
    if (unitHeld_) {
        unitHeld_ = false;
        unit = heldUnit_;
        return true;
    }
    unsigned char first, second;
    if (!nextRawByte(first) || !nextRawByte(second)) {
        return false;  // an odd byte at the end is no character
    }
    unit = encoding_ == ProfileEncoding::kUtf16Little ? (first | second << 8) : (first << 8 | second);
    return true;
}

bool StreamLines::nextDecodedByte(char& byte) {
    if (byteHeld_) {
        byteHeld_ = false;
        byte = heldByte_;
        return true;
    }
    if (!started_) {
        started_ = true;
        // The mark lies within the first chunk: fill it and look.
        unsigned char first;
        if (nextRawByte(first)) {
            --at_;
            std::size_t mark;
            encoding_ = encodingOf(std::string_view(reinterpret_cast<const char*>(chunk_), have_), &mark);
            at_ += mark;
        }
    }
    if (decodedAt_ < decodedHave_) {
        byte = decoded_[decodedAt_++];
        return true;
    }
    if (encoding_ == ProfileEncoding::kBytes || encoding_ == ProfileEncoding::kUtf8Marked) {
        unsigned char raw;
        if (!nextRawByte(raw)) {
            return false;
        }
        byte = static_cast<char>(raw);
        return true;
    }
    unsigned point;
    if (!nextUnit(point)) {
        return false;
    }
    if (isHighSurrogate(point)) {
        unsigned low;
        if (nextUnit(low)) {
            if (isLowSurrogate(low)) {
                point = 0x10000 + ((point - 0xD800) << 10) + (low - 0xDC00);
            } else {
                unitHeld_ = true;
                heldUnit_ = low;
            }
        }
    }
    decodedHave_ = encodeUtf8(point, decoded_);
    decodedAt_ = 1;
    byte = decoded_[0];
    return true;
}

bool StreamLines::next(std::string_view& content) {
    line_.clear();
    char byte;
    bool any = false;
    while (nextDecodedByte(byte)) {
        any = true;
        if (byte == '\n') {
            break;
        }
        if (byte == '\r') {
            // CR LF is one line end; a byte after a lone CR starts the next line.
            char following;
            if (nextDecodedByte(following) && following != '\n') {
                heldByte_ = following;
                byteHeld_ = true;
            }
            break;
        }
        if (line_.size() < kLongestLine) {
            line_.push_back(byte);
        }
    }
    content = line_;
    return any;
}

}  // namespace config
}  // namespace util
