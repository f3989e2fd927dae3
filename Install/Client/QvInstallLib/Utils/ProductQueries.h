#pragma once

#include "ProductLocale.h"
#include "ProductVersion.h"

#include <string>

// Where the installed product keeps its version ("version") and its locale
// ("ProductLocale"), below HKEY_LOCAL_MACHINE.
constexpr const wchar_t* kInstallVersionKey = L"SOFTWARE\\velquist\\QvInstall";
using QvBase::kProductKey;

// Upgrade codes under which Windows Installer knows the product's packages.
constexpr const wchar_t* kProductUpgradeCodes[] = {
    L"{5A1C0E7B-3D42-4F19-9E6A-2B7C8D0F1A35}",
    L"{9E4B7C21-6A08-4D3F-B15E-7C2A9F0D4E68}",
};

// The installed product's version; 0.0.0.0 with an empty text when the
// product key cannot be opened.
ProductVersion GetQvsVersion();
// This setup program's own version.
ProductVersion GetSetupVersion();
// The installed product's locale name, or "" when none is recorded.
std::wstring GetInstalledProductLocale();
// The locale of an installation that records none.
std::wstring GetDefaultProductLocale();
// True when Windows Installer knows a product related to either upgrade code.
bool IsProductInstalled();
