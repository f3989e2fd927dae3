#include "ProfileReader.h"

#include "buffer.h"

#include <algorithm>

namespace QvInstall
{
namespace
{
// Far beyond any real response file; stops the growth of a buffer whose read
// keeps reporting that it is full.
constexpr size_t kMaxChars = 64 * 1024 * 1024;

// Calls read(buffer, size) with a buffer that doubles while the result equals
// size - shortBy, the system's sign that the text did not fit.
template <typename Read>
void ReadGrowing(QvBase::CBuffer<wchar_t>& buffer, DWORD firstSize, DWORD shortBy, Read read)
{
    for (size_t size = firstSize;; size *= 2)
    {
        buffer.Resize(size);
        const DWORD result = read(buffer.Get(), static_cast<DWORD>(size));
        if (result != size - shortBy || size >= kMaxChars)
            return;
    }
}
} // namespace

SectionNames ReadSectionNames(const wchar_t* path)
{
    QvBase::CBuffer<wchar_t> buffer(kSectionNamesChars);
    const DWORD result = GetPrivateProfileSectionNamesW(buffer.Get(), kSectionNamesChars, path);
    const DWORD lastError = GetLastError();
    return SectionNames{SplitStringList(buffer.Get(), buffer.Count()),
                        result != kSectionNamesChars - 2, lastError};
}

std::vector<std::wstring> ReadSectionEntries(const wchar_t* path, const wchar_t* section)
{
    QvBase::CBuffer<wchar_t> buffer;
    ReadGrowing(buffer, kSectionChars, 2,
                [&](wchar_t* text, DWORD size)
                { return GetPrivateProfileSectionW(section, text, size, path); });
    return SplitStringList(buffer.Get(), buffer.Count());
}

std::wstring ReadProfileValue(const wchar_t* path, const wchar_t* section, const wchar_t* key)
{
    QvBase::CBuffer<wchar_t> buffer;
    ReadGrowing(buffer, kValueChars, 1,
                [&](wchar_t* text, DWORD size)
                { return GetPrivateProfileStringW(section, key, L"", text, size, path); });
    return std::wstring(buffer.Get());
}

std::vector<std::wstring> SplitStringList(const wchar_t* list, size_t count)
{
    std::vector<std::wstring> strings;
    if (list == nullptr)
        return strings;
    const wchar_t* const end = list + count;
    for (const wchar_t* p = list; p < end && *p != L'\0';)
    {
        const wchar_t* stop = std::find(p, end, L'\0');
        strings.emplace_back(p, stop);
        p = stop + 1;
    }
    return strings;
}

std::pair<std::wstring, std::wstring> SplitEntry(const std::wstring& entry)
{
    const size_t equals = entry.find(L'=');
    if (equals == std::wstring::npos)
        return {entry, std::wstring()};
    return {entry.substr(0, equals), entry.substr(equals + 1)};
}
} // namespace QvInstall
