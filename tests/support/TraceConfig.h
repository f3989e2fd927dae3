#pragma once

// Test helper: owns the machine's trace configuration key for a test. The key
// as it was is put aside, the test writes its own values, and at the end the
// original comes back.
#include "QvTrace.h"
#include "RegistryState.h"
#include "TestFiles.h"

#include <string>

namespace QvTest
{
constexpr const wchar_t* kTraceKey = QvBase::kTraceKeyPath;

class CTraceConfig
{
public:
    CTraceConfig() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceKey); }

    // sink == nullptr: the Trace key itself; else the sink's subkey.
    void SetNumber(const wchar_t* sink, const wchar_t* name, DWORD value)
    {
        WriteDword(HKEY_LOCAL_MACHINE, Path(sink), name, value);
    }
    void SetText(const wchar_t* sink, const wchar_t* name, const std::wstring& value)
    {
        WriteString(HKEY_LOCAL_MACHINE, Path(sink), name, value);
    }
    // The sink writes levels 2 and 4 to its log file in the folder.
    void TraceSinkInto(const wchar_t* sink, const std::wstring& directory, DWORD params = 0x0001)
    {
        SetText(nullptr, L"TracePath", directory);
        SetNumber(sink, L"EnableMask", 6);
        SetNumber(sink, L"ParamsMask", params);
    }

private:
    static std::wstring Path(const wchar_t* sink)
    {
        return sink == nullptr ? kTraceKey : std::wstring(kTraceKey) + L"\\" + sink;
    }

    CKeyBackup backup{HKEY_LOCAL_MACHINE, kTraceKey};
};
} // namespace QvTest
