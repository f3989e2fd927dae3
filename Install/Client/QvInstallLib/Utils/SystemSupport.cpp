#include "SystemSupport.h"

#include "WindowsUpdateQuery.h"

namespace
{
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

int ClassOf52(const SystemVersion& v, bool workstation)
{
    if (v.serverR2)
        return 4;
    return workstation ? 6 : 5;
}

int ClassOf6(const SystemVersion& v, bool workstation)
{
    switch (v.minor)
    {
    case 0:
        return workstation ? 7 : 8;
    case 1:
        return workstation ? 10 : 9; // the server class is the lower one here
    case 2:
        return workstation ? 11 : 12;
    case 3:
        return workstation ? 13 : 14;
    default:
        return 0;
    }
}

int ClassOf5(const SystemVersion& v, bool workstation)
{
    switch (v.minor)
    {
    case 0:
        return workstation ? 1 : 2;
    case 1:
        return 3;
    case 2:
        return ClassOf52(v, workstation);
    default:
        return 0;
    }
}
} // namespace

SystemVersion GetSystemVersion()
{
    // RtlGetVersion reports the real version whatever the manifest declares.
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    const auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
    SystemVersion version;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0)
        return version;
    version.major = info.dwMajorVersion;
    version.minor = info.dwMinorVersion;
    version.productType = info.wProductType;
    version.servicePackMajor = info.wServicePackMajor;
    version.servicePackMinor = info.wServicePackMinor;
    version.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    return version;
}

int GetOperatingSystemClass(const SystemVersion& version)
{
    const bool workstation = version.productType == VER_NT_WORKSTATION;
    switch (version.major)
    {
    case 3:
    case 4:
        return 0;
    case 5:
        return ClassOf5(version, workstation);
    case 6:
        return ClassOf6(version, workstation);
    case 10:
        return workstation ? 15 : 16;
    default:
        return 17;
    }
}

bool IsSystemSupportedOn(const SystemVersion& version, UpdateQuery isUpdateInstalled)
{
    switch (GetOperatingSystemClass(version))
    {
    case 9:
    case 10:
        return version.servicePackMajor > 0;
    case 12:
    case 15:
    case 16:
    case 17:
        return true;
    case 13:
    case 14:
        return isUpdateInstalled(L"2919355");
    default:
        return false;
    }
}

bool IsSystemSupported()
{
    return IsSystemSupportedOn(GetSystemVersion(), IsWindowsUpdateInstalledViaWMI);
}
