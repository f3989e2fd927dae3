#pragma once

// Reading an initialisation file through the system's profile-string
// functions, which decide comments, white space, quotes and the matching of
// names without regard to case.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace QvInstall
{
constexpr DWORD kSectionNamesChars = 1024;
constexpr DWORD kSectionChars = 0x7FFF;
constexpr DWORD kValueChars = 260;

struct SectionNames
{
    std::vector<std::wstring> names;
    bool complete;   // false: the list did not fit in kSectionNamesChars
    DWORD lastError; // the thread's last error right after the read
};

// The section names in the order the file holds them.
SectionNames ReadSectionNames(const wchar_t* path);

// The raw entries of a section as the system returns them. The buffer starts
// at kSectionChars and grows while the system reports that it is too small,
// so that a long section is never cut: what is read may be written back.
std::vector<std::wstring> ReadSectionEntries(const wchar_t* path, const wchar_t* section);

// The value of a key, "" when it is missing. The buffer starts at
// kValueChars and grows while the value fills it, so a long value is whole.
std::wstring ReadProfileValue(const wchar_t* path, const wchar_t* section, const wchar_t* key);

// The strings of a list of NUL-terminated strings ended by an empty one,
// never reading past count characters.
std::vector<std::wstring> SplitStringList(const wchar_t* list, size_t count);

// A raw entry split at its first '=' into key and value, both untrimmed; an
// entry without '=' is all key with an empty value.
std::pair<std::wstring, std::wstring> SplitEntry(const std::wstring& entry);
} // namespace QvInstall
