#pragma once

// Creating, configuring, querying and deleting services and drivers through
// the Service Control Manager. Each function opens its own manager and
// service handles and closes them before it returns. Results are Windows
// error codes (0 = success) unless said otherwise.
#include <windows.h>

#include <string>

// Where Windows keeps the order in which service groups load (value "List").
constexpr const wchar_t* kServiceGroupOrderKey =
    L"SYSTEM\\CurrentControlSet\\Control\\ServiceGroupOrder";

// Adds a group to the load order below HKEY_LOCAL_MACHINE\orderKey, in front
// of insertBefore (at the end when that is null or not listed). A group
// already listed keeps its place unless replace is set, which moves it. A
// missing key changes nothing and gives 0; a null group gives E_FAIL. Tests
// pass a key of their own in place of the machine's.
DWORD AddNewServiceGroup(const wchar_t* group, const wchar_t* insertBefore, bool replace,
                         const wchar_t* orderKey = kServiceGroupOrderKey);

// Creates a service or driver; an existing one is reconfigured with these
// values instead. An own-process image path is registered in double quotes;
// a driver's path is made what its start type needs (ValidateDriverPath).
DWORD CreateDriver(const wchar_t* name, const wchar_t* displayName, DWORD desiredAccess,
                   DWORD serviceType, DWORD startType, DWORD errorControl, const wchar_t* imagePath,
                   const wchar_t* loadOrderGroup, const wchar_t* insertBeforeGroup, DWORD* tagId,
                   const wchar_t* dependencies, const wchar_t* account, const wchar_t* password);

// The image path a driver of that start type is registered with: boot drivers
// below "system32\drivers\", system drivers below
// "\SystemRoot\system32\drivers\", the others as given; an unknown start type
// gives an empty path.
std::wstring ValidateDriverPath(DWORD startType, const wchar_t* imagePath);

// Disables the service, then deletes it. A service already marked for
// deletion counts as deleted.
DWORD DeleteDriver(const wchar_t* name);

// Error-code style: 0 when the service runs, 1 when it does not or cannot be
// opened, the manager's error when the manager cannot be opened.
DWORD IsServiceRunning(const wchar_t* name);

// Sets the time the service may take at pre-shutdown. Raises CQvError.
void SetServiceShutdownTime(const wchar_t* name, DWORD seconds);

// Sets the description of an open service; a failure is only traced.
void QvSetServiceDescriptionByHandle(SC_HANDLE service, const wchar_t* description);
// Opens the service and sets its description. Raises CQvError.
void QvSetServiceDescriptionByName(const wchar_t* name, const wchar_t* description);
