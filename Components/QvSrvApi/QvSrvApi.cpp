// Stand-in for the product service API. Its state lives in values of
// HKCU\Software\QvTest\QvSrvApi:
//   "Result"              every request fails with this code when not 0
//   "ProtectionState"     the QvSrvState bits answered (default 0)
//   "SelfProtectionMode"  the current mode (default QvSrvSelfProtectionOn);
//                         QvSrvSetSelfProtectionMode stores it
//   "SelfProtectionLog"   each mode set, appended as "<mode>:<caller>"
#include "QvSrvClass.h"

#include <windows.h>

#include <string>
#include <vector>

namespace
{
constexpr const wchar_t* kStateKey = L"Software\\QvTest\\QvSrvApi";

DWORD ReadNumber(const wchar_t* name, DWORD defaultValue)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, kStateKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return defaultValue;
    return value;
}

std::wstring ReadText(const wchar_t* name)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kStateKey, name, RRF_RT_REG_SZ, nullptr, nullptr, &size) !=
            ERROR_SUCCESS ||
        size < sizeof(wchar_t))
        return std::wstring();
    std::vector<wchar_t> text(size / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, kStateKey, name, RRF_RT_REG_SZ, nullptr, text.data(),
                     &size) != ERROR_SUCCESS)
        return std::wstring();
    return text.data();
}

LONG WriteValue(const wchar_t* name, DWORD type, const void* data, DWORD size)
{
    HKEY key = nullptr;
    LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, kStateKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    return rc;
}

int RequestResult()
{
    return static_cast<int>(ReadNumber(L"Result", ERROR_SUCCESS));
}
} // namespace

extern "C" int QvSrvGetProtectionState(unsigned long* state)
{
    if (state == nullptr)
        return ERROR_INVALID_PARAMETER;
    const int rc = RequestResult();
    if (rc == 0)
        *state = ReadNumber(L"ProtectionState", 0);
    return rc;
}

extern "C" int QvSrvGetSelfProtectionMode(unsigned long* mode, unsigned long* flags)
{
    if (mode == nullptr || flags == nullptr)
        return ERROR_INVALID_PARAMETER;
    const int rc = RequestResult();
    if (rc != 0)
        return rc;
    *mode = ReadNumber(L"SelfProtectionMode", QvSrvSelfProtectionOn);
    *flags = 0;
    return 0;
}

extern "C" int QvSrvSetSelfProtectionMode(unsigned long mode, const wchar_t* caller)
{
    if (mode > QvSrvSelfProtectionService)
        return ERROR_INVALID_PARAMETER;
    const int rc = RequestResult();
    if (rc != 0)
        return rc;
    const DWORD value = mode;
    LONG written = WriteValue(L"SelfProtectionMode", REG_DWORD, &value, sizeof(value));
    if (written != ERROR_SUCCESS)
        return static_cast<int>(written);
    std::wstring log = ReadText(L"SelfProtectionLog");
    if (!log.empty())
        log += L";";
    log += std::to_wstring(mode) + L":" + (caller != nullptr ? caller : L"");
    written = WriteValue(L"SelfProtectionLog", REG_SZ, log.c_str(),
                         static_cast<DWORD>((log.size() + 1) * sizeof(wchar_t)));
    return static_cast<int>(written);
}
