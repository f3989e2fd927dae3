#pragma once

// Test helper: steers the stand-in runtime package (QvRedistStandIn) run
// under one file name through HKCU\Software\QvTest\RedistStandIn\<name>,
// and reads back what it recorded there. The key exists only while the
// object lives: without it the package records nothing and ends with 0.
#include "RegistryState.h"

#include <windows.h>

#include <string>

namespace QvTest
{
class CRedistStandIn
{
public:
    explicit CRedistStandIn(const wchar_t* name)
        : path(std::wstring(L"Software\\QvTest\\RedistStandIn\\") + name)
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
        MakeKey(HKEY_CURRENT_USER, path);
    }
    ~CRedistStandIn() { RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str()); }
    CRedistStandIn(const CRedistStandIn&) = delete;
    CRedistStandIn& operator=(const CRedistStandIn&) = delete;

    // Exit codes of the coming runs in order, "0x5B4,0"; the last repeats.
    void ExitCodes(const std::wstring& codes)
    {
        WriteString(HKEY_CURRENT_USER, path, L"ExitCodes", codes);
    }
    // Each run waits for this global event (at most 30 seconds).
    void HoldEvent(const std::wstring& name)
    {
        WriteString(HKEY_CURRENT_USER, path, L"HoldEvent", name);
    }
    DWORD Runs() const
    {
        DWORD runs = 0;
        ReadRawDword(HKEY_CURRENT_USER, path, L"Runs", runs);
        return runs;
    }
    // The command line of the last run.
    std::wstring Arguments() const
    {
        std::wstring text;
        ReadRawString(HKEY_CURRENT_USER, path, L"Arguments", text);
        return text;
    }

private:
    std::wstring path;
};
} // namespace QvTest
