#pragma once

#include <windows.h>

// The running system as RtlGetVersion reports it.
struct SystemVersion
{
    DWORD major = 0;
    DWORD minor = 0;
    BYTE productType = 0; // VER_NT_WORKSTATION (1), domain controller or server
    WORD servicePackMajor = 0;
    WORD servicePackMinor = 0;
    bool serverR2 = false; // GetSystemMetrics(SM_SERVERR2) is non-zero
};

SystemVersion GetSystemVersion();

// The operating-system class of a version: 0 for an unknown 3.x to 6.x
// system, 1 to 16 from Windows 2000 to Windows 10 and Server 2016, 17 for a
// later major version.
int GetOperatingSystemClass(const SystemVersion& version);

// Whether the product may be installed on the running system.
bool IsSystemSupported();

// The same rule for a given version; "isUpdateInstalled" answers whether a
// Windows update ("2919355") is installed.
using UpdateQuery = bool (*)(const wchar_t* number);
bool IsSystemSupportedOn(const SystemVersion& version, UpdateQuery isUpdateInstalled);
