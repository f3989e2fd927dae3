#pragma once

#include <windows.h>

// Registers the install agent program as an own-process service of the local
// system account (an existing one is reconfigured), with its display name as
// description and an hour to finish at pre-shutdown. Returns the
// registration's error code; raises CQvError when the service was registered
// but could not be configured.
DWORD RegisterInstallerService(const wchar_t* imagePath, DWORD startType, const wchar_t* name,
                               const wchar_t* displayName);
