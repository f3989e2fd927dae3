// Lists of NUL-terminated strings as the profile functions return them, and
// the split of a section's entries into key and value.
#include "FuzzInput.h"
#include "ProfileReader.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The exact length of the buffer, so that a read past it shows.
    const std::wstring units = QvFuzz::WideUnits(data, size);
    const std::vector<wchar_t> buffer(units.begin(), units.end());
    const std::vector<std::wstring> strings =
        QvInstall::SplitStringList(buffer.empty() ? nullptr : buffer.data(), buffer.size());

    // The strings are the buffer's own, in order, each ended by a NUL or the
    // buffer's end, and the list stops at the first empty string.
    size_t at = 0;
    for (const std::wstring& s : strings)
    {
        QvFuzz::Check(!s.empty(), "empty string in list");
        QvFuzz::Check(s.find(L'\0') == std::wstring::npos, "NUL inside a string");
        QvFuzz::Check(units.compare(at, s.size(), s) == 0, "string differs from the buffer");
        at += s.size() + 1;
    }
    QvFuzz::Check(at >= units.size() || units[at] == L'\0', "list stopped early");

    for (const std::wstring& s : strings)
    {
        const auto entry = QvInstall::SplitEntry(s);
        QvFuzz::Check(entry.first.find(L'=') == std::wstring::npos, "'=' in key");
        const bool hasEquals = s.find(L'=') != std::wstring::npos;
        QvFuzz::Check(entry.first + (hasEquals ? L"=" : L"") + entry.second == s,
                      "key and value do not rebuild the entry");
    }
    return 0;
}
