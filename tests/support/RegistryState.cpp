#include "RegistryState.h"

#include "TestFiles.h"

#include "ProcessRunner.h"
#include "UniqueResource.h"

#include <vector>

namespace QvTest
{
namespace
{
constexpr const wchar_t* kBackupRoot = L"Software\\QvTest\\KeyBackup\\";

std::wstring BackupName(const std::wstring& path)
{
    std::wstring name = path;
    for (wchar_t& c : name)
        if (c == L'\\')
            c = L'_';
    return name;
}

QvBase::CUniqueKey OpenKey(HKEY root, const std::wstring& path, REGSAM access)
{
    QvBase::CUniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), /*options=*/0, access, key.Put()) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

QvBase::CUniqueKey CreateKey(HKEY root, const std::wstring& path)
{
    QvBase::CUniqueKey key;
    if (RegCreateKeyExW(root, path.c_str(), /*reserved=*/0, nullptr, /*options=*/0, KEY_ALL_ACCESS,
                        nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

void SetValue(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
              const void* data, size_t bytes)
{
    const QvBase::CUniqueKey key = CreateKey(root, path);
    RegSetValueExW(key.Get(), name, /*reserved=*/0, type, static_cast<const BYTE*>(data),
                   static_cast<DWORD>(bytes));
}
} // namespace

CKeyBackup::CKeyBackup(HKEY rootKey, const std::wstring& keyPath)
    : root(rootKey), path(keyPath), backupPath(kBackupRoot + BackupName(keyPath))
{
    const QvBase::CUniqueKey existing = OpenKey(root, path, KEY_READ);
    existed = existing.IsValid();
    RegDeleteTreeW(HKEY_CURRENT_USER, backupPath.c_str());
    if (!existed)
        return;
    RegCopyTreeW(existing.Get(), nullptr, CreateKey(HKEY_CURRENT_USER, backupPath).Get());
}

CKeyBackup::~CKeyBackup()
{
    RegDeleteTreeW(root, path.c_str());
    if (!existed)
        return;
    RegCopyTreeW(OpenKey(HKEY_CURRENT_USER, backupPath, KEY_READ).Get(), nullptr,
                 CreateKey(root, path).Get());
    RegDeleteTreeW(HKEY_CURRENT_USER, backupPath.c_str());
}

bool ReadRawDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& value)
{
    const QvBase::CUniqueKey key = OpenKey(root, path, KEY_QUERY_VALUE);
    if (!key)
        return false;
    DWORD type = 0, size = sizeof(value);
    const LONG rc =
        RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value);
}

bool ReadRawString(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value)
{
    const QvBase::CUniqueKey key = OpenKey(root, path, KEY_QUERY_VALUE);
    if (!key)
        return false;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size);
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExW(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                              &size);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value = text.data();
    return true;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    return OpenKey(root, path, KEY_READ).IsValid();
}

void MakeKey(HKEY root, const std::wstring& path)
{
    CreateKey(root, path);
}

void WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
{
    SetValue(root, path, name, REG_DWORD, &value, sizeof value);
}

void WriteString(HKEY root, const std::wstring& path, const wchar_t* name,
                 const std::wstring& value)
{
    SetValue(root, path, name, REG_SZ, value.c_str(), (value.size() + 1) * sizeof(wchar_t));
}

RegQueryResult RegQuery(const std::wstring& arguments)
{
    wchar_t temp[MAX_PATH] = {}, file[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    GetTempFileNameW(temp, L"reg", 0, file);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring cmd = std::wstring(system) + L"\\cmd.exe";
    const ProcessResult run =
        RunProcess(cmd, L"/c reg.exe query " + arguments + L" > \"" + file + L"\"");
    RegQueryResult result;
    if (run.finished)
        result.exitCode = run.exitCode;
    result.output = ReadFileBytes(file);
    DeleteFileW(file);
    return result;
}
} // namespace QvTest
