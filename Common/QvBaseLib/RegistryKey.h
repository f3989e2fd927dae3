#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <string>
#include <vector>

namespace QvBase
{
// Read and write access to a key (0x2001F).
constexpr REGSAM kKeyReadWrite = KEY_READ | KEY_WRITE;

// One registry value as read or written raw.
struct CRegistryValue
{
    std::wstring name;
    std::vector<BYTE> data;
    DWORD type = 0;
};

// A registry key opened below a root or another key. Operations return Win32
// codes (E_INVALIDARG, E_UNEXPECTED for misuse) and never throw; a derived
// class decides in OnError whether a failed call is tried again.
class CRegistryKey
{
public:
    enum Root
    {
        RootNone = 0,
        RootClassesRoot = 1,
        RootCurrentUser = 2,
        RootLocalMachine = 3,
        RootUsers = 4,
        RootCurrentConfig = 5,
        RootDynData = 6,
    };
    enum Operation
    {
        OperationCreate = 3,
        OperationOpen = 4,
        OperationClose = 5,
        OperationRead = 6,
        OperationWrite = 7,
    };
    enum Action
    {
        ActionRetry = 1,
        ActionGiveUp = 2,
    };

    explicit CRegistryKey(int root = RootNone);
    virtual ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Opens (or creates) parent\subKey in this object, closing what it held.
    LONG OpenFrom(const CRegistryKey& parent, const wchar_t* subKey, bool create, REGSAM access);
    // Walks down in place: this key becomes its subkey; on failure it stays.
    LONG OpenSub(const wchar_t* subKey, bool create, REGSAM access);
    void Close();

    LONG QueryValue(const wchar_t* name, CRegistryValue& value);
    LONG SetValue(const CRegistryValue& value);

    // The getters report the read's code and fall back to the default.
    LONG GetDword(const wchar_t* name, DWORD& value, DWORD defaultValue);
    LONG GetString(const wchar_t* name, std::wstring& value, const std::wstring& defaultValue);
    LONG GetMultiString(const wchar_t* name, std::vector<std::wstring>& values);
    LONG SetDword(const wchar_t* name, DWORD value);
    LONG SetString(const wchar_t* name, const std::wstring& value);
    LONG SetMultiString(const wchar_t* name, const std::vector<std::wstring>& values);

    // Security for keys created later; the descriptor (from LocalAlloc, as
    // ConvertStringSecurityDescriptorToSecurityDescriptorW makes it) is owned
    // and freed by this object.
    void SetCreationSecurity(PSECURITY_DESCRIPTOR descriptor, bool inherit);

    HKEY Handle() const { return key; }
    bool IsOpen() const { return key != nullptr; }
    const std::wstring& Path() const { return path; }

protected:
    // Asked after every failed registry call; ActionRetry repeats it.
    virtual int OnError(LONG code, int operation, const std::wstring& path);

private:
    LONG OpenBelow(HKEY parent, const std::wstring& parentPath, const wchar_t* subKey, bool create,
                   REGSAM access, HKEY& opened, std::wstring& openedPath);
    void FreeSecurity();

    HKEY key = nullptr;
    CUniqueLocal securityDescriptor;
    SECURITY_ATTRIBUTES security = {};
    std::wstring path;
};

// REG_MULTI_SZ data as its strings: each NUL ends an item (empty items
// included) except a final NUL after another NUL; text after the last NUL is
// dropped.
std::vector<std::wstring> SplitMultiString(const wchar_t* data, size_t count);
// Each string followed by a NUL, then one more NUL.
std::vector<BYTE> JoinMultiString(const std::vector<std::wstring>& values);
} // namespace QvBase
