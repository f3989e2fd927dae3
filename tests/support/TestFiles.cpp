#include "TestFiles.h"

#include <shellapi.h>

namespace QvTest
{
bool RunsUnderWine()
{
    // Wine's ntdll exports its version; Windows' does not.
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

void RemoveTree(const std::wstring& path)
{
    std::wstring from = path + L'\0'; // the list ends with two NULs
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

std::string ReadFileBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

CTempDir::CTempDir(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path = std::wstring(temp) + name;
    RemoveTree(path);
    CreateDirectoryW(path.c_str(), nullptr);
}
} // namespace QvTest
