// The INI engine: splits the file's text into classified lines, answers the
// profile reads from them and edits the text for the profile writes.
#include "config/profile_engine.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace util {
namespace config {

namespace {

using std::string_view;
constexpr std::size_t kNone = static_cast<std::size_t>(-1);

struct Line {
    enum Kind { kBlank, kComment, kHeader, kKey, kBare } kind;
    std::size_t begin;       // first byte of the line
    std::size_t contentEnd;  // where the line end starts
    std::size_t next;        // first byte after the line end
    string_view name;        // header name, key, or the whole bare line
    string_view value;       // a key's value
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

void classify(string_view content, Line& line) {
    const string_view text = trim(content);
    line.kind = Line::kBare;
    line.name = text;
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
}

std::vector<Line> splitLines(string_view text) {
    std::vector<Line> lines;
    std::size_t position = 0;
    while (position < text.size()) {
        Line line{};
        line.begin = position;
        std::size_t end = text.find_first_of("\r\n", position);
        if (end == string_view::npos) {
            end = text.size();
        }
        line.contentEnd = end;
        line.next = end;
        if (end < text.size()) {
            line.next = (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? end + 2 : end + 1;
        }
        classify(text.substr(position, end - position), line);
        lines.push_back(line);
        position = line.next;
    }
    return lines;
}

// Index of the first header named `name`, or kNone.
std::size_t findSection(const std::vector<Line>& lines, string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::kHeader && sameName(lines[i].name, name)) {
            return i;
        }
    }
    return kNone;
}

// One past the last line of the section whose header is at `header`.
std::size_t sectionEnd(const std::vector<Line>& lines, std::size_t header) {
    std::size_t i = header + 1;
    while (i < lines.size() && lines[i].kind != Line::kHeader) {
        ++i;
    }
    return i;
}

// Index of the first key or bare line `key` in the section at `header`, or kNone.
std::size_t findKey(const std::vector<Line>& lines, std::size_t header, string_view key) {
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if ((lines[i].kind == Line::kKey || lines[i].kind == Line::kBare) && sameName(lines[i].name, key)) {
            return i;
        }
    }
    return kNone;
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

void appendItem(std::string& list, string_view item) {
    list.append(untilNul(item));
    list.push_back('\0');
}

// Stores a NUL-separated list (each item with its NUL) and the final NUL, or,
// when that does not fit in size - 1 bytes, the list cut to size - 2 bytes and
// two NULs.
unsigned long storeList(const std::string& list, char* buffer, unsigned long size) {
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (list.size() + 2 <= size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty()) {
            buffer[1] = '\0';
        }
        return static_cast<unsigned long>(list.size());
    }
    std::memcpy(buffer, list.data(), size - 2);
    buffer[size - 2] = '\0';
    buffer[size - 1] = '\0';
    return size - 2;
}

std::string sectionNameList(const std::vector<Line>& lines) {
    std::string list;
    for (const Line& line : lines) {
        if (line.kind == Line::kHeader && !untilNul(line.name).empty()) {
            appendItem(list, line.name);
        }
    }
    return list;
}

// The section's keys (withValues false) or its lines as they read (true).
std::string sectionList(const std::vector<Line>& lines, std::size_t header, bool withValues) {
    std::string list;
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const Line& line = lines[i];
        if (line.kind == Line::kKey && withValues) {
            std::string item(untilNul(line.name));
            item.push_back('=');
            item.append(untilNul(line.value));
            appendItem(list, item);
        } else if (line.kind == Line::kKey || (line.kind == Line::kBare && withValues)) {
            appendItem(list, line.name);
        }
    }
    return list;
}

bool holdsLineEnd(const char* text) { return text != nullptr && std::strpbrk(text, "\r\n") != nullptr; }

std::string lineEndOf(const std::string& text) {
    const std::size_t end = text.find_first_of("\r\n");
    if (end != std::string::npos && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
        return "\r\n";
    }
    return "\n";
}

ProfileEdit replaceRange(std::string& text, std::size_t begin, std::size_t end, const std::string& with) {
    if (text.compare(begin, end - begin, with) == 0) {
        return ProfileEdit::kUnchanged;
    }
    text.replace(begin, end - begin, with);
    return ProfileEdit::kChanged;
}

ProfileEdit setKey(std::string& text, const std::vector<Line>& lines, string_view section, string_view key,
                   const char* value) {
    const std::string lineEnd = lineEndOf(text);
    const std::size_t header = findSection(lines, section);
    if (header == kNone) {
        std::string added;
        if (!text.empty() && text.back() != '\n' && text.back() != '\r') {
            added += lineEnd;
        }
        added += "[" + std::string(section) + "]" + lineEnd;
        added += std::string(key) + "=" + value + lineEnd;
        text += added;
        return ProfileEdit::kChanged;
    }
    const std::size_t found = findKey(lines, header, key);
    if (found != kNone) {
        const Line& line = lines[found];
        return replaceRange(text, line.begin, line.contentEnd, std::string(line.name) + "=" + value);
    }
    std::size_t after = header;
    const std::size_t end = sectionEnd(lines, header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines[i].kind == Line::kKey || lines[i].kind == Line::kBare) {
            after = i;
        }
    }
    const Line& anchor = lines[after];
    const std::string newLine = std::string(key) + "=" + value;
    if (anchor.next == anchor.contentEnd) {  // the file's last line, without a line end
        text.insert(anchor.next, lineEnd + newLine);
    } else {
        text.insert(anchor.next, newLine + lineEnd);
    }
    return ProfileEdit::kChanged;
}

}  // namespace

unsigned long profileGetString(const std::string* text, const char* section, const char* key,
                               const char* defaultValue, char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::vector<Line> lines = text != nullptr ? splitLines(*text) : std::vector<Line>();
    if (section == nullptr) {
        return storeList(sectionNameList(lines), buffer, size);
    }
    const std::size_t header = findSection(lines, trim(section));
    if (key == nullptr) {
        const unsigned long length =
            header == kNone ? storeList(std::string(), buffer, size)
                            : storeList(sectionList(lines, header, false), buffer, size);
        return buffer[0] != '\0' ? length : copyDefault(defaultValue, buffer, size);
    }
    const string_view wanted = trim(key);
    // A comment is never a key, even when asked for by its full text.
    const std::size_t found = header == kNone ? kNone : findKey(lines, header, wanted);
    if (found != kNone && lines[found].kind == Line::kKey) {
        return copyValue(lines[found].value, buffer, size);
    }
    return copyDefault(defaultValue, buffer, size);
}

unsigned long profileGetSection(const std::string* text, const char* section, char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (section == nullptr || text == nullptr) {
        return storeList(std::string(), buffer, size);
    }
    const std::vector<Line> lines = splitLines(*text);
    const std::size_t header = findSection(lines, trim(section));
    return storeList(header == kNone ? std::string() : sectionList(lines, header, true), buffer, size);
}

unsigned long profileGetSectionNames(const std::string* text, char* buffer, unsigned long size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    return storeList(text != nullptr ? sectionNameList(splitLines(*text)) : std::string(), buffer, size);
}

ProfileEdit profileWriteString(std::string& text, const char* section, const char* key, const char* value) {
    if (section == nullptr || holdsLineEnd(section) || holdsLineEnd(key) || holdsLineEnd(value)) {
        return ProfileEdit::kRefused;
    }
    const std::vector<Line> lines = splitLines(text);
    const string_view sectionName = trim(section);
    if (key == nullptr) {
        const std::size_t header = findSection(lines, sectionName);
        if (header == kNone) {
            return ProfileEdit::kUnchanged;
        }
        const std::size_t end = sectionEnd(lines, header);
        const std::size_t endByte = end < lines.size() ? lines[end].begin : text.size();
        text.erase(lines[header].begin, endByte - lines[header].begin);
        return ProfileEdit::kChanged;
    }
    const string_view keyName = trim(key);
    if (value == nullptr) {
        const std::size_t header = findSection(lines, sectionName);
        const std::size_t found = header == kNone ? kNone : findKey(lines, header, keyName);
        if (found == kNone) {
            return ProfileEdit::kUnchanged;
        }
        text.erase(lines[found].begin, lines[found].next - lines[found].begin);
        return ProfileEdit::kChanged;
    }
    return setKey(text, lines, sectionName, keyName, value);
}

}  // namespace config
}  // namespace util
