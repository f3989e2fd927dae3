#include "SetupFileUtils.h"

#include "FuncTraceContext.h"
#include "InstallContext.h"
#include "PathUtils.h"
#include "TraceLineScope.h"
#include "Win32Objects.h"
#include "qvexception.h"

#include <shlwapi.h>

#include <utility>
#include <vector>

namespace
{
constexpr const wchar_t* kLanguages[] = {L"en-US", L"ru-RU", L"es-ES"};

// Full path of the running executable, whatever its length.
std::wstring ModulePath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size())
            return std::wstring(path.data(), n);
        path.resize(path.size() * 2);
    }
}

// A folder registered before its files would still hold them at the restart
// and stay for good: registered again, it goes after them.
void DeleteAtRestartAgain(const std::vector<std::wstring>& directories)
{
    for (const std::wstring& directory : directories)
        DeleteAtRestart(directory);
}
} // namespace

bool DeleteAtRestart(const std::wstring& path)
{
    return MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
}

std::wstring GetModuleDirectory()
{
    // The whole path, past MAX_PATH too: a truncated one names another directory.
    const std::wstring path = ModulePath();
    std::vector<wchar_t> directory(path.begin(), path.end());
    directory.push_back(L'\0');
    PathRemoveFileSpecW(directory.data());
    return directory.data();
}

DWORD CopyFromNetwork(const std::wstring& sourceDir, bool copyExecutable, std::wstring& localPath)
{
    QV_LIB_FUNCTION(L"CopyFromNetwork", L"utils");
    std::vector<std::wstring> directories;
    std::vector<std::pair<std::wstring, std::wstring>> copies;

    const std::wstring temp = QvBase::GetSystemFolderPath(QvBase::FolderTemp, nullptr);
    copies.emplace_back(QvBase::JoinPath(sourceDir.c_str(), kEngineModuleName, L'\\'),
                        QvBase::JoinPath(temp.c_str(), kEngineModuleName, L'\\'));
    localPath = copies.back().second;
    OutputDebugStringW(localPath.c_str());
    OutputDebugStringW(L"\n");
    trace.Trace(2, L"%s", localPath.c_str());

    if (copyExecutable)
    {
        const std::wstring name = PathFindFileNameW(ModulePath().c_str());
        copies.emplace_back(QvBase::JoinPath(sourceDir.c_str(), name.c_str(), L'\\'),
                            QvBase::JoinPath(temp.c_str(), name.c_str(), L'\\'));
        localPath = copies.back().second;
        trace.Trace(2, L"%s", localPath.c_str());
    }
    for (const wchar_t* language : kLanguages)
    {
        directories.push_back(QvBase::JoinPath(temp.c_str(), language, L'\\'));
        const std::wstring file = QvBase::JoinPath(language, kEngineLanguageFileName, L'\\');
        copies.emplace_back(QvBase::JoinPath(sourceDir.c_str(), file.c_str(), L'\\'),
                            QvBase::JoinPath(temp.c_str(), file.c_str(), L'\\'));
    }

    for (const std::wstring& directory : directories)
    {
        CreateDirectoryW(directory.c_str(), nullptr); // an existing one is fine
        DeleteAtRestart(directory);
    }
    for (const auto& [from, to] : copies)
    {
        trace.Trace(2, L"%s -> %s", from.c_str(), to.c_str());
        if (!CopyFileW(from.c_str(), to.c_str(), /*failIfExists=*/FALSE))
        {
            const DWORD error = GetLastError();
            trace.Trace(2, L"%s -> %s: %d", from.c_str(), to.c_str(), error);
            DeleteAtRestartAgain(directories);
            QV_RAISE(error);
        }
        DeleteAtRestart(to);
    }
    DeleteAtRestartAgain(directories);
    return ERROR_SUCCESS;
}

DWORD CreateDirectoryTree(const std::wstring& input, bool registerForDeletion,
                          SECURITY_ATTRIBUTES* leafSecurity)
{
    if (input.size() < 2 || input[1] != L':')
        return ERROR_INVALID_PARAMETER;
    std::wstring path = input;
    if (path.back() != L'\\')
        path += L'\\';
    for (size_t slash = path.find(L'\\', 3); slash != std::wstring::npos;
         slash = path.find(L'\\', slash + 1))
    {
        const std::wstring level = path.substr(0, slash);
        const bool leaf = slash + 1 == path.size();
        if (!CreateDirectoryW(level.c_str(), leaf ? leafSecurity : nullptr))
        {
            const DWORD error = GetLastError();
            if (error == ERROR_ALREADY_EXISTS)
                continue;
            return error;
        }
        if (registerForDeletion && !DeleteAtRestart(level))
        {
            QvBase::CLibTracePrefix trace;
            trace.Trace(2, L"MoveFileEx(%s) error %d)", level.c_str(), GetLastError());
        }
    }
    return ERROR_SUCCESS;
}

bool ClearReadOnly(const std::wstring& path)
{
    QvBase::CTraceLineScope trace(L"ClearReadOnly");
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    trace << L" File is RO ";
    SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

void ExtractBinaryResource(const std::wstring& targetPath, HMODULE module, WORD identifier)
{
    QV_LIB_FUNCTION(L"ExtractBinaryResource", L"utils");
    const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(identifier), L"BINARY");
    if (resource == nullptr)
        QV_RAISE_LAST_ERROR();
    const DWORD size = SizeofResource(module, resource);
    if (size == 0)
        QV_RAISE_LAST_ERROR();
    const HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr)
        QV_RAISE_LAST_ERROR();
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr)
        QV_RAISE_LAST_ERROR();

    QvBase::CWin32File file;
    if (file.Create(targetPath.c_str(), GENERIC_WRITE, CREATE_ALWAYS, 0, nullptr,
                    FILE_ATTRIBUTE_NORMAL, nullptr) != ERROR_SUCCESS)
        QV_RAISE_LAST_ERROR();
    file.Write(bytes, size);
    file.Close();
    trace.Trace(2, L"%s: %d bytes written.", targetPath.c_str(), static_cast<int>(size));
}
