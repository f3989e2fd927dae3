#include "PathUtils.h"

#include "RegistryKey.h"
#include "qvexception.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace QvBase
{
namespace
{
constexpr DWORD kFolderChars = 261;
constexpr DWORD kExpandChars = 260;

// The folder a query writes, or the system's reason why there is none.
template <typename Query> DWORD FolderFrom(Query query, std::wstring& folder)
{
    wchar_t buffer[kFolderChars] = {};
    const DWORD length = query(kFolderChars, buffer);
    if (length == 0)
        return GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_PATH_NOT_FOUND;
    // A length beyond the buffer is the size a longer folder would need.
    if (length >= kFolderChars)
        return ERROR_FILENAME_EXCED_RANGE;
    folder.assign(buffer, length);
    return ERROR_SUCCESS;
}

DWORD ProgramFilesFolder(std::wstring& folder)
{
    CRegistryKey key(CRegistryKey::RootLocalMachine);
    LONG code =
        key.OpenSub(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", /*create=*/false, KEY_READ);
    if (code == ERROR_SUCCESS)
        code = key.GetString(L"ProgramFilesDir", folder, std::wstring());
    if (code == ERROR_SUCCESS && folder.empty())
        code = ERROR_PATH_NOT_FOUND;
    return static_cast<DWORD>(code);
}

DWORD LookUpFolder(int kind, std::wstring& folder)
{
    switch (kind)
    {
    case FolderWindows:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetWindowsDirectoryW(b, n); }, folder);
    case FolderSystem:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetSystemDirectoryW(b, n); }, folder);
    case FolderProgramFiles:
        return ProgramFilesFolder(folder);
    default:
        return FolderFrom([](DWORD n, wchar_t* b) { return GetTempPathW(n, b); }, folder);
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
    QV_FUNCTION_NAME(L"QvBase::GetSystemFolderPath");
    if (kind < FolderWindows || kind > FolderTemp)
        return std::wstring();
    std::wstring& folder = CachedFolder(kind);
    if (folder.empty())
    {
        // An empty folder would join into a path relative to the current
        // directory (for a group-policy script often System32).
        std::wstring found;
        if (const DWORD error = LookUpFolder(kind, found))
            QV_RAISE(error);
        folder = found;
    }
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
