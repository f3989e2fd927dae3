#include "PathUtils.h"

#include "RegistryKey.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace QvBase
{
namespace
{
constexpr DWORD kFolderChars = 261;
constexpr DWORD kExpandChars = 260;

template <typename Query> std::wstring FolderFrom(Query query)
{
    wchar_t buffer[kFolderChars] = {};
    const DWORD length = query(kFolderChars, buffer);
    // 0 is a failure; a length beyond the buffer means it was too small.
    if (length == 0 || length >= kFolderChars)
        return std::wstring();
    return std::wstring(buffer, length);
}

std::wstring ProgramFilesFolder()
{
    CRegistryKey key(CRegistryKey::RootLocalMachine);
    std::wstring folder;
    if (key.OpenSub(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", /*create=*/false, KEY_READ) ==
        ERROR_SUCCESS)
        key.GetString(L"ProgramFilesDir", folder, std::wstring());
    return folder;
}

std::wstring LookUpFolder(int kind)
{
    switch (kind)
    {
    case FolderWindows:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetWindowsDirectoryW(b, n); });
    case FolderSystem:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetSystemDirectoryW(b, n); });
    case FolderProgramFiles:
        return ProgramFilesFolder();
    case FolderTemp:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetTempPathW(n, b); });
    default:
        return std::wstring();
    }
}

std::wstring& CachedFolder(int kind)
{
    // Each entry is created under the compiler's thread-safe initialisation of
    // local statics; filling an empty one is not locked.
    static std::wstring folders[4];
    return folders[kind];
}
} // namespace

std::wstring JoinPath(const wchar_t* base, const wchar_t* tail, wchar_t separator)
{
    std::wstring result = base != nullptr ? base : L"";
    if (tail == nullptr)
        return result;
    if (!result.empty())
    {
        const bool baseEnds = result.back() == separator;
        const bool tailStarts = tail[0] == separator;
        if (baseEnds && tailStarts)
            result.pop_back();
        else if (!baseEnds && !tailStarts)
            result.push_back(separator);
    }
    return result.append(tail);
}

std::wstring GetSystemFolderPath(int kind, const wchar_t* tail)
{
    if (kind < FolderWindows || kind > FolderTemp)
        return std::wstring();
    std::wstring& folder = CachedFolder(kind);
    if (folder.empty())
        folder = LookUpFolder(kind);
    return JoinPath(folder.c_str(), tail, L'\\');
}

std::wstring ExpandPath(const wchar_t* text, const wchar_t* tail)
{
    if (text == nullptr)
        return JoinPath(nullptr, tail, L'\\');
    std::vector<wchar_t> buffer(kExpandChars, L'\0');
    DWORD needed = ExpandEnvironmentStringsW(text, buffer.data(), kExpandChars);
    // A longer expansion gets the room it asks for instead of being cut.
    if (needed > buffer.size())
    {
        buffer.assign(needed, L'\0');
        needed = ExpandEnvironmentStringsW(text, buffer.data(), needed);
    }
    const std::wstring expanded = needed == 0 || needed > buffer.size() ? text : buffer.data();
    return JoinPath(expanded.c_str(), tail, L'\\');
}

std::wstring GetFileNamePart(const wchar_t* path)
{
    if (path == nullptr)
        return std::wstring();
    const wchar_t* name = PathFindFileNameW(path);
    return name == path ? std::wstring() : std::wstring(name);
}
} // namespace QvBase
