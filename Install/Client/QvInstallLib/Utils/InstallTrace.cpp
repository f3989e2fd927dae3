#include "InstallTrace.h"

#include "LogDirectory.h"
#include "RegistryKey.h"
#include "TextUtils.h"
#include "QvTrace.h"
#include "TraceLineScope.h"
#include "TraceSettings.h"

#include <shlwapi.h>

#include <string>

namespace
{
using QvBase::CRegistryKey;

constexpr const wchar_t* kOldTraceKeyPath = L"SYSTEM\\CurrentControlSet\\Services\\qvcc0\\Trace";

bool IsTraceKeyEnabled()
{
    TraceSettings settings = {};
    return GetTraceSettings(nullptr, settings) == ERROR_SUCCESS && settings.EnableMask != kAbsent;
}

// The earlier component's configuration copied into the Trace key; the
// debugger output reports how the copy went.
void CopyOldTraceKey(CRegistryKey& oldKey)
{
    CRegistryKey traceKey(CRegistryKey::RootLocalMachine);
    const LONG rc = traceKey.OpenSub(QvBase::kTraceKeyPath, /*create=*/true, QvBase::kKeyReadWrite);
    if (rc != ERROR_SUCCESS)
    {
        OutputDebugStringW(QvBase::FormatText(L"new trace key create error %d\n", rc).c_str());
        return;
    }
    const LONG copied = SHCopyKeyW(oldKey.Handle(), nullptr, traceKey.Handle(), 0);
    OutputDebugStringW(QvBase::FormatText(L"SHCopyKey %d\n", copied).c_str());
}

// The earlier default log place moves to the product's log directory.
void MoveDefaultTracePath()
{
    TraceSettings settings = {};
    if (GetTraceSettings(nullptr, settings) != ERROR_SUCCESS)
        return;
    CopyField(settings.TracePath, GetDefaultLogDirectory().c_str());
    SetTraceSettings(nullptr, &settings);
}

bool MigrateOldTraceKey()
{
    CRegistryKey oldKey(CRegistryKey::RootLocalMachine);
    if (oldKey.OpenSub(kOldTraceKeyPath, /*create=*/false, QvBase::kKeyReadWrite) != ERROR_SUCCESS)
        return false;
    std::wstring path;
    DWORD enableMask = 0;
    oldKey.GetString(L"TracePath", path, std::wstring());
    oldKey.GetDword(L"EnableMask", enableMask, 0);
    if (path.empty() || enableMask == 0)
        return false;
    if (path.back() == L'\\')
        path.pop_back();
    CopyOldTraceKey(oldKey);
    if (lstrcmpiW(path.c_str(), L"c:\\logs") == 0)
        MoveDefaultTracePath();
    return true;
}

TraceSettings InstallSettings()
{
    TraceSettings settings = {};
    settings.EnableMask = 0xF;
    settings.ForceEnableMask = kAbsent;
    settings.ParamsMask = 0xFF09;
    settings.ForceParamsMask = kAbsent;
    settings.CommonFileFlag = 0;
    settings.ForceCommonFileFlag = kAbsent;
    settings.DisableContextFlag = 0;
    settings.ContextMask = 0;
    CopyField(settings.TracePath, GetDefaultLogDirectory().c_str());
    return settings;
}
} // namespace

bool CInstallTrace::IsEnabled()
{
    QvBase::CTraceLineScope line(L"CInstallTrace::IsEnabled");
    const bool enabled = IsTraceKeyEnabled() || MigrateOldTraceKey();
    line << (enabled ? 1 : 0);
    return enabled;
}

LONG CInstallTrace::EnableTrace()
{
    QvBase::CTraceLineScope line(L"CInstallTrace::EnableTrace");
    DisableTrace();
    TraceSettings settings = InstallSettings();
    SetTraceSettings(nullptr, &settings);
    settings.CommonFileFlag = 0;
    settings.ParamsMask = 0xFF08;
    SetTraceSettings(L"QvDC", &settings);
    settings.ParamsMask -= 0x400;
    SetTraceSettings(L"QvControl", &settings);
    CRegistryKey filter(CRegistryKey::RootLocalMachine);
    const LONG rc = filter.OpenSub(kDebugPrintFilterKey, /*create=*/true, QvBase::kKeyReadWrite);
    if (rc != ERROR_SUCCESS)
        return rc;
    filter.SetDword(L"Default", kAbsent);
    return ERROR_SUCCESS;
}

void CInstallTrace::DisableTrace()
{
    QvBase::CTraceLineScope line(L"CInstallTrace::DisableTrace");
    SetTraceSettings(nullptr, nullptr);
}

CInstallTrace::CInstallTrace(QvBase::CQvTrace* sink)
{
    QvBase::CTraceLineScope line(L"CInstallTrace::CInstallTrace");
    if (IsEnabled())
        return;
    EnableTrace();
    switchedOn = true;
    if (sink != nullptr)
        sink->Reload();
}

CInstallTrace::~CInstallTrace()
{
    try
    {
        QvBase::CTraceLineScope line(L"CInstallTrace::~CInstallTrace");
        if (switchedOn)
            DisableTrace();
    }
    catch (...)
    {
    }
}
