#include "ProductLocale.h"

#include <atomic>
#include <cstring>

namespace QvBase
{
namespace
{
constexpr DWORD kLocaleChars = 6; // "es-ES" and its terminator
constexpr DWORD kValueChars = 16;
constexpr REGSAM kReadAccess = KEY_READ | KEY_WOW64_64KEY;
constexpr DWORD kDefaultLanguage = 1049;

using OpenKeyFunction = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, REGSAM, PHKEY);
using QueryValueFunction = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
using CloseKeyFunction = LONG(WINAPI*)(HKEY);

// Advapi32 is loaded once for the process and stays loaded: the resolved
// functions are kept for its whole life.
HMODULE Advapi32()
{
    static const HMODULE module = LoadLibraryW(L"Advapi32.dll");
    return module;
}

template <typename Function> Function Resolve(const char* name)
{
    const HMODULE module = Advapi32();
    if (module == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

LONG OpenKey(HKEY root, const wchar_t* path, REGSAM access, HKEY* key)
{
    static const auto function = Resolve<OpenKeyFunction>("RegOpenKeyExW");
    return function == nullptr ? ERROR_PROC_NOT_FOUND : function(root, path, 0, access, key);
}

LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size)
{
    static const auto function = Resolve<QueryValueFunction>("RegQueryValueExW");
    return function == nullptr ? ERROR_PROC_NOT_FOUND
                               : function(key, name, nullptr, type, data, size);
}

LONG CloseKey(HKEY key)
{
    static const auto function = Resolve<CloseKeyFunction>("RegCloseKey");
    return function == nullptr ? ERROR_PROC_NOT_FOUND : function(key);
}

class CProductKey
{
public:
    LONG Open() { return OpenKey(HKEY_LOCAL_MACHINE, kProductKey, kReadAccess, &key); }
    HKEY Get() const { return key; }
    ~CProductKey()
    {
        if (key != nullptr)
            CloseKey(key);
    }

private:
    HKEY key = nullptr;
};

LONG ReadLocaleValue(wchar_t (&value)[kValueChars])
{
    CProductKey key;
    LONG rc = key.Open();
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD type = REG_NONE;
    DWORD bytes = sizeof(value);
    rc = QueryValue(key.Get(), L"ProductLocale", &type, reinterpret_cast<BYTE*>(value), &bytes);
    if (rc != ERROR_SUCCESS)
        return rc;
    // Exactly five characters and a terminator; a value stored without its
    // terminator is refused rather than handed on unterminated.
    const bool text = type == REG_SZ || type == REG_EXPAND_SZ;
    if (!text || bytes != kLocaleChars * sizeof(wchar_t) || value[kLocaleChars - 1] != L'\0')
        return ERROR_INVALID_DATA;
    return ERROR_SUCCESS;
}

DWORD AskMainModule(wchar_t* buffer, DWORD* size, DWORD registryCode)
{
    const auto function = reinterpret_cast<ProductLocaleFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(nullptr), "StandaloneProductLocale")));
    return function == nullptr ? registryCode : function(buffer, size);
}
} // namespace

DWORD GetProductLocale(wchar_t* buffer, DWORD* size)
{
    if (buffer == nullptr || size == nullptr)
        return ERROR_INVALID_PARAMETER;
    wchar_t value[kValueChars] = {};
    const LONG rc = ReadLocaleValue(value);
    if (rc == ERROR_FILE_NOT_FOUND || rc == ERROR_PATH_NOT_FOUND)
        return AskMainModule(buffer, size, static_cast<DWORD>(rc));
    if (rc != ERROR_SUCCESS)
        return static_cast<DWORD>(rc);
    const DWORD available = *size;
    *size = kLocaleChars;
    if (available < kLocaleChars)
        return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, value, kLocaleChars * sizeof(wchar_t));
    return ERROR_SUCCESS;
}

DWORD ReadProductLangId()
{
    wchar_t name[8] = {};
    DWORD size = 8;
    if (GetProductLocale(name, &size) != ERROR_SUCCESS)
        return kDefaultLanguage;
    const LCID lcid = LocaleNameToLCID(name, 0);
    return lcid == 0 ? kDefaultLanguage : lcid;
}

DWORD GetProductLangId()
{
    // Two threads computing it at once store the same value.
    static std::atomic<DWORD> cached{0};
    DWORD language = cached.load();
    if (language == 0)
    {
        language = ReadProductLangId();
        cached.store(language);
    }
    return language;
}

} // namespace QvBase
