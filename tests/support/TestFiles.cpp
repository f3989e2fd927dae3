#include "TestFiles.h"

#include "UniqueResource.h"

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
    const QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                                     FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                     OPEN_EXISTING, /*flags=*/0, nullptr));
    if (!file)
        return std::string();
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    const QvBase::CUniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, /*shareMode=*/0,
                                                     nullptr, CREATE_ALWAYS, /*flags=*/0, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

bool WriteUtf16File(const std::wstring& path, const std::wstring& text)
{
    return WriteFileBytes(path, Utf16Bytes(L"\xFEFF" + text));
}

std::wstring TempPath(const std::wstring& name)
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return std::wstring(temp) + name;
}

CTempDir::CTempDir(const std::wstring& name)
{
    path = TempPath(name);
    RemoveTree(path);
    CreateDirectoryW(path.c_str(), nullptr);
}
} // namespace QvTest
