#pragma once

// Test helper: owns the machine's trace configuration key for a test. The key
// as it was is copied aside, the test writes its own values, and at the end
// the test's values are removed and the original is put back.
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace QvTest
{
constexpr const wchar_t* kTraceKey = L"SYSTEM\\CurrentControlSet\\Services\\QvTrace\\Trace";
constexpr const wchar_t* kTraceBackupKey = L"SOFTWARE\\QvTest\\TraceKeyBackup";

class CTraceConfig
{
public:
    CTraceConfig()
    {
        HKEY existing = nullptr;
        hadKey = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTraceKey, 0, KEY_READ, &existing) == 0;
        if (hadKey)
        {
            HKEY backup = nullptr;
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceBackupKey);
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTraceBackupKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &backup, nullptr);
            RegCopyTreeW(existing, nullptr, backup);
            RegCloseKey(backup);
            RegCloseKey(existing);
        }
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceKey);
    }
    ~CTraceConfig()
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceKey);
        if (!hadKey)
            return;
        HKEY backup = nullptr, restored = nullptr;
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kTraceBackupKey, 0, KEY_READ, &backup);
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kTraceKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &restored, nullptr);
        RegCopyTreeW(backup, nullptr, restored);
        RegCloseKey(restored);
        RegCloseKey(backup);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceBackupKey);
    }
    CTraceConfig(const CTraceConfig&) = delete;
    CTraceConfig& operator=(const CTraceConfig&) = delete;

    // sink == nullptr: the Trace key itself; else the sink's subkey.
    void SetNumber(const wchar_t* sink, const wchar_t* name, DWORD value)
    {
        HKEY key = Create(sink);
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof value);
        RegCloseKey(key);
    }
    void SetText(const wchar_t* sink, const wchar_t* name, const std::wstring& value)
    {
        HKEY key = Create(sink);
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }

private:
    static HKEY Create(const wchar_t* sink)
    {
        std::wstring path = kTraceKey;
        if (sink != nullptr)
            path += std::wstring(L"\\") + sink;
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr);
        return key;
    }

    bool hadKey = false;
};

// A fresh directory under the temporary directory, removed with its files.
class CTempDir
{
public:
    explicit CTempDir(const std::wstring& name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path = std::wstring(temp) + name;
        Remove();
        CreateDirectoryW(path.c_str(), nullptr);
    }
    ~CTempDir() { Remove(); }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::wstring& Path() const { return path; }
    std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }

private:
    void Remove()
    {
        std::wstring from = path + L'\0';
        SHFILEOPSTRUCTW op = {};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }

    std::wstring path;
};

inline std::string ReadFileBytes(const std::wstring& path)
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

// True under Wine, whose ntdll exports its version.
inline bool IsWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

inline bool FileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
} // namespace QvTest
