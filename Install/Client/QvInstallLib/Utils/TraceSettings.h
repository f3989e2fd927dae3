#pragma once

#include <windows.h>

// One trace configuration as the registry holds it, below the Trace key
// (kTraceKeyPath) or one of its sink subkeys. A number 0xFFFFFFFF (kAbsent)
// stands for a value that is not there.
struct TraceSettings
{
    DWORD EnableMask;
    DWORD ForceEnableMask;
    DWORD ParamsMask;
    DWORD ForceParamsMask;
    DWORD CommonFileFlag;
    DWORD ForceCommonFileFlag;
    wchar_t CommonFileName[260];
    DWORD ContextMask;
    DWORD DisableContextFlag;
    wchar_t TracePath[260];
};

constexpr DWORD kAbsent = 0xFFFFFFFF;

// The key that filters kernel debug output; its "Default" opens every level.
constexpr const wchar_t* kDebugPrintFilterKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Debug Print Filter";

// Copies text into a record field, cut to fit with its terminator.
template <size_t N> void CopyField(wchar_t (&field)[N], const wchar_t* text)
{
    lstrcpynW(field, text, static_cast<int>(N));
}

// Reads the Trace key (sink null) or the sink's subkey; missing values get
// their defaults. A Win32 code; 2 when the main key has neither EnableMask
// nor ForceEnableMask, or neither ParamsMask nor ForceParamsMask.
LONG GetTraceSettings(const wchar_t* sink, TraceSettings& settings);

// Writes the record to the Trace key (sink null) or the sink's subkey,
// creating the log directory or the common file first. A null record deletes
// the key with all its subkeys and values instead. A Win32 code.
LONG SetTraceSettings(const wchar_t* sink, const TraceSettings* settings);
