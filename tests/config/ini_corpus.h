// The INI corpus: files and the profile calls made on them. The Windows test
// binary runs it through the platform's own profile functions, the POSIX binary
// through the library's engine; both must give the recorded results.
#ifndef UTIL_TESTS_CONFIG_INI_CORPUS_H
#define UTIL_TESTS_CONFIG_INI_CORPUS_H

#include <string>
#include <vector>

namespace ini_corpus {

struct Call {
    enum Kind {
        kValue,         // GetPrivateProfileString(section, key, text as default)
        kKeys,          // GetPrivateProfileString(section, null key, text as default)
        kNamesByString, // GetPrivateProfileString(null section)
        kNames,         // GetPrivateProfileSectionNames
        kSection,       // GetPrivateProfileSection(section)
        kWrite          // WritePrivateProfileString(section, key, text)
    } kind;
    const char* section;
    const char* key;
    const char* text;
    unsigned long size;  // buffer size of a read
};

struct Case {
    std::string name;
    bool exists;       // false: the file is missing
    std::string file;  // the file's bytes
    std::vector<Call> calls;
};

const std::vector<Case>& cases();

}  // namespace ini_corpus

#endif
