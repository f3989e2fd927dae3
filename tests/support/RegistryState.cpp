#include "RegistryState.h"

#include "TestFiles.h"

#include "ProcessRunner.h"

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

} // namespace

CKeyBackup::CKeyBackup(HKEY rootKey, const std::wstring& keyPath)
    : root(rootKey), path(keyPath), backupPath(kBackupRoot + BackupName(keyPath))
{
    HKEY existing = nullptr;
    existed = RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS;
    RegDeleteTreeW(HKEY_CURRENT_USER, backupPath.c_str());
    if (!existed)
        return;
    HKEY backup = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, backupPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &backup, nullptr);
    RegCopyTreeW(existing, nullptr, backup);
    RegCloseKey(backup);
    RegCloseKey(existing);
}

CKeyBackup::~CKeyBackup()
{
    RegDeleteTreeW(root, path.c_str());
    if (!existed)
        return;
    HKEY backup = nullptr, restored = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, backupPath.c_str(), 0, KEY_READ, &backup);
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &restored, nullptr);
    RegCopyTreeW(backup, nullptr, restored);
    RegCloseKey(restored);
    RegCloseKey(backup);
    RegDeleteTreeW(HKEY_CURRENT_USER, backupPath.c_str());
}

bool ReadRawDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof(value);
    const LONG rc =
        RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(value);
}

bool ReadRawString(HKEY root, const std::wstring& path, const wchar_t* name, std::wstring& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (rc == ERROR_SUCCESS)
        rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                              &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    value = text.data();
    return true;
}

bool KeyExists(HKEY root, const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void WriteDword(HKEY root, const std::wstring& path, const wchar_t* name, DWORD value)
{
    HKEY key = nullptr;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

void WriteString(HKEY root, const std::wstring& path, const wchar_t* name,
                 const std::wstring& value)
{
    HKEY key = nullptr;
    RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
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
