// The INI engine: classifies the file's lines one at a time, answers the profile
// reads from them and edits the text for the profile writes.
#include "config/profile_engine.h"

#include <cstring>

namespace util {
namespace config {

namespace {

using std::string_view;

struct Line {
    enum Kind { kBlank, kComment, kHeader, kKey, kBare } kind;
    string_view name;   // header name, key, or the whole bare line
    string_view value;  // a key's value
};

// A line of a text held in memory, with where it lies in that text.
struct PlacedLine {
    Line line;
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // where the line end starts
    std::size_t next;        // first byte after the line end
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

string_view trim(string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Names and values are C strings to the caller: a NUL byte in the file ends them.
string_view untilNul(string_view text) {
    const std::size_t nul = text.find('\0');
    return nul == string_view::npos ? text : text.substr(0, nul);
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(string_view left, string_view right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (lowerAscii(left[i]) != lowerAscii(right[i])) {
            return false;
        }
    }
    return true;
}

Line classify(string_view content) {
    const string_view text = trim(content.substr(0, kLongestLine));
    Line line{Line::kBare, text, string_view()};
    if (text.empty()) {
        line.kind = Line::kBlank;
    } else if (text.front() == '[' && text.rfind(']') != string_view::npos) {
        line.kind = Line::kHeader;
        line.name = trim(text.substr(1, text.rfind(']') - 1));
    } else if (text.front() == ';') {
        line.kind = Line::kComment;
    } else if (text.find('=') != string_view::npos) {
        const std::size_t equals = text.find('=');
        line.kind = Line::kKey;
        line.name = trim(text.substr(0, equals));
        line.value = trim(text.substr(equals + 1));
    }
    return line;
}

// The line of `text` that starts at `position`; false at the end of the text.
bool nextPlacedLine(string_view text, std::size_t& position, PlacedLine& placed) {
    if (position >= text.size()) {
        return false;
    }
    placed.begin = position;
    std::size_t end = text.find_first_of("\r\n", position);
    if (end == string_view::npos) {
        end = text.size();
    }
    placed.contentEnd = end;
    placed.next = end;
    if (end < text.size()) {
        placed.next = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? end + 2 : end + 1;
    }
    placed.line = classify(text.substr(position, end - position));
    position = placed.next;
    return true;
}

// Calls visit(line) for each line of the first section named `name` (for "",
// the lines before the first header) until visit returns false. Returns whether
// the section was found.
template <class Visit>
bool walkSection(LineSource& lines, string_view name, Visit visit) {
    bool inside = name.empty();
    bool found = inside;
    string_view content;
    while (lines.next(content)) {
        const Line line = classify(content);
        if (line.kind == Line::kHeader) {
            if (inside) {
                break;
            }
            inside = found = sameName(line.name, name);
            continue;
        }
        if (inside && !visit(line)) {
            break;
        }
    }
    return found;
}

// Copies a value, less one matching pair of outer quotes, cut to fit.
unsigned long copyValue(string_view value, char* buffer, unsigned long size) {
    value = untilNul(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    const std::size_t length = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), length);
    buffer[length] = '\0';
    return static_cast<unsigned long>(length);
}

unsigned long copyDefault(const char* defaultValue, char* buffer, unsigned long size) {
    string_view value = defaultValue != nullptr ? string_view(defaultValue) : string_view();
    while (!value.empty() && value.back() == ' ') {
        value.remove_suffix(1);
    }
    return copyValue(value, buffer, size);
}

// Builds a NUL-separated list straight into the caller's buffer: the whole list
// and the final NUL when that fits in size - 1 bytes, otherwise the list cut to
// size - 2 bytes and two NULs. REQUIRES: size > 0.
class ListWriter {
public:
    ListWriter(char* buffer, unsigned long size) : buffer_(buffer), room_(size >= 2 ? size - 2 : 0), size_(size) {}

    void add(string_view item) {
        item = untilNul(item);
        put(item.data(), item.size());
        const char nul = '\0';
        put(&nul, 1);
    }
    void add(string_view name, string_view value) {
        name = untilNul(name);
        value = untilNul(value);
        put(name.data(), name.size());
        const char separator[2] = {'=', '\0'};
        put(separator, 1);
        put(value.data(), value.size());
        put(separator + 1, 1);
    }

    unsigned long finish() {
        if (size_ == 1) {
            buffer_[0] = '\0';
            return 0;
        }
        if (total_ <= room_) {
            buffer_[total_] = '\0';
            if (total_ == 0) {
                buffer_[1] = '\0';
            }
            return static_cast<unsigned long>(total_);
        }
        buffer_[size_ - 2] = '\0';
        buffer_[size_ - 1] = '\0';
        return size_ - 2;
    }

private:
    void put(const char* bytes, std::size_t count) {
        if (total_ < room_) {
            const std::size_t copied = count < room_ - total_ ? count : room_ - total_;
            std::memcpy(buffer_ + total_, bytes, copied);
        }
        total_ += count;
    }

    char* buffer_;
    std::size_t room_;
    unsigned long size_;
    std::size_t total_ = 0;
};

unsigned long sectionNames(LineSource* lines, char* buffer, unsigned long size) {
    ListWriter list(buffer, size);
    string_view content;
    while (lines != nullptr && lines->next(content)) {
        const Line line = classify(content);
        if (line.kind == Line::kHeader && !untilNul(line.name).empty()) {
            list.add(line.name);
        }
    }
    return list.finish();
}

bool holdsLineEnd(const char* text) { return text != nullptr && std::strpbrk(text, "\r\n") != nullptr; }

std::string lineEndOf(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
        return "\r\n";
    }
    return "\n";
}

// What one pass over the text finds for a section and a key.
struct SectionScan {
    bool sectionFound = false;
    std::size_t sectionBegin = 0;  // its header line (0 for the section "")
    std::size_t sectionEnd = 0;    // the next header line, or the end of the text
    bool keyFound = false;
    PlacedLine key{};
    // Where a new key goes: behind the section's last key line, else its header.
    std::size_t insertAt = 0;
    bool insertAfterUnendedLine = false;  // that line is the file's last, without a line end
};

// `keyName` null: no key is looked for.
SectionScan scanSection(string_view text, string_view section, const string_view* keyName) {
    SectionScan scan;
    bool inside = section.empty();
    scan.sectionFound = inside;
    std::size_t position = 0;
    PlacedLine placed;
    auto anchorAfter = [&scan](const PlacedLine& line) {
        scan.insertAt = line.next;
        scan.insertAfterUnendedLine = line.next == line.contentEnd;
    };
    while (nextPlacedLine(text, position, placed)) {
        const Line& line = placed.line;
        if (line.kind == Line::kHeader) {
            if (inside) {
                scan.sectionEnd = placed.begin;
                return scan;
            }
            if (sameName(line.name, section)) {
                inside = scan.sectionFound = true;
                scan.sectionBegin = placed.begin;
                anchorAfter(placed);
            }
            continue;
        }
        if (inside && (line.kind == Line::kKey || line.kind == Line::kBare)) {
            if (!scan.keyFound && keyName != nullptr && sameName(line.name, *keyName)) {
                scan.keyFound = true;
                scan.key = placed;
            }
            anchorAfter(placed);
        }
    }
    scan.sectionEnd = text.size();
    return scan;
}

ProfileEdit setKey(std::string& text, string_view section, string_view key, const char* value) {
    const std::string lineEnd = lineEndOf(text);
    const SectionScan scan = scanSection(text, section, &key);
    if (!scan.sectionFound) {
        std::string added;
        if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
            added += lineEnd;
        }
        added += "[" + std::string(section) + "]" + lineEnd;
        added += std::string(key) + "=" + value + lineEnd;
        text += added;
        return ProfileEdit::kChanged;
    }
    if (scan.keyFound) {
        const std::string replacement = std::string(scan.key.line.name) + "=" + value;
        const std::size_t begin = scan.key.begin;
        const std::size_t length = scan.key.contentEnd - begin;
        if (text.compare(begin, length, replacement) == 0) {
            return ProfileEdit::kUnchanged;
        }
        text.replace(begin, length, replacement);
        return ProfileEdit::kChanged;
    }
    const std::string newLine = std::string(key) + "=" + value;
    text.insert(scan.insertAt, scan.insertAfterUnendedLine ? lineEnd + newLine : newLine + lineEnd);
    return ProfileEdit::kChanged;
}

}  // namespace

bool TextLines::next(string_view& content) {
    PlacedLine placed;
    const std::size_t begin = position_;
    if (!nextPlacedLine(text_, position_, placed)) {
        return false;
    }
    content = text_.substr(begin, placed.contentEnd - begin).substr(0, kLongestLine);
    return true;
}

unsigned long profileGetString(LineSource* lines, const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (section == nullptr) {
        return sectionNames(lines, buffer, size);
    }
    const string_view sectionName = trim(section);
    if (key == nullptr) {
        ListWriter list(buffer, size);
        if (lines != nullptr) {
            walkSection(*lines, sectionName, [&list](const Line& line) {
                if (line.kind == Line::kKey) {
                    list.add(line.name);
                }
                return true;
            });
        }
        // A list that starts with an empty name (a line "=value" first) reads as
        // no list, as the Windows functions give it.
        const unsigned long length = list.finish();
        return buffer[0] != '\0' ? length : copyDefault(defaultValue, buffer, size);
    }
    const string_view wanted = trim(key);
    bool copied = false;
    unsigned long length = 0;
    if (lines != nullptr) {
        walkSection(*lines, sectionName, [&](const Line& line) {
            if ((line.kind != Line::kKey && line.kind != Line::kBare) || !sameName(line.name, wanted)) {
                return true;
            }
            // A bare line of that name hides the key: a comment is never a key either.
            if (line.kind == Line::kKey) {
                length = copyValue(line.value, buffer, size);
                copied = true;
            }
            return false;
        });
    }
    return copied ? length : copyDefault(defaultValue, buffer, size);
}

unsigned long profileGetSection(LineSource* lines, const char* section, char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    ListWriter list(buffer, size);
    if (lines != nullptr && section != nullptr) {
        walkSection(*lines, trim(section), [&list](const Line& line) {
            if (line.kind == Line::kKey) {
                list.add(line.name, line.value);
            } else if (line.kind == Line::kBare) {
                list.add(line.name);
            }
            return true;
        });
    }
    return list.finish();
}

unsigned long profileGetSectionNames(LineSource* lines, char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    return sectionNames(lines, buffer, size);
}

unsigned long profileGetString(const std::string* text, const char* section, const char* key, const char* defaultValue,
                               char* buffer, unsigned long size) {
    TextLines lines(text != nullptr ? string_view(*text) : string_view());
    return profileGetString(text != nullptr ? &lines : nullptr, section, key, defaultValue, buffer, size);
}

unsigned long profileGetSection(const std::string* text, const char* section, char* buffer, unsigned long size) {
    TextLines lines(text != nullptr ? string_view(*text) : string_view());
    return profileGetSection(text != nullptr ? &lines : nullptr, section, buffer, size);
}

unsigned long profileGetSectionNames(const std::string* text, char* buffer, unsigned long size) {
    TextLines lines(text != nullptr ? string_view(*text) : string_view());
    return profileGetSectionNames(text != nullptr ? &lines : nullptr, buffer, size);
}

ProfileEdit profileWriteString(std::string& text, const char* section, const char* key, const char* value) {
    if (section == nullptr || holdsLineEnd(section) || holdsLineEnd(key) || holdsLineEnd(value)) {
        return ProfileEdit::kRefused;
    }
    const string_view sectionName = trim(section);
    if (key == nullptr) {
        const SectionScan scan = scanSection(text, sectionName, nullptr);
        if (!scan.sectionFound || scan.sectionEnd == scan.sectionBegin) {
            return ProfileEdit::kUnchanged;
        }
        text.erase(scan.sectionBegin, scan.sectionEnd - scan.sectionBegin);
        return ProfileEdit::kChanged;
    }
    const string_view keyName = trim(key);
    if (value == nullptr) {
        const SectionScan scan = scanSection(text, sectionName, &keyName);
        if (!scan.keyFound) {
            return ProfileEdit::kUnchanged;
        }
        text.erase(scan.key.begin, scan.key.next - scan.key.begin);
        return ProfileEdit::kChanged;
    }
    return setKey(text, sectionName, keyName, value);
}

}  // namespace config
}  // namespace util
