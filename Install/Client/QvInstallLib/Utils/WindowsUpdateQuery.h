#pragma once

// Whether WMI lists the Windows update "KB<number>" as installed (the number
// is digits only). Any failure on the way answers false.
bool IsWindowsUpdateInstalledViaWMI(const wchar_t* number);
