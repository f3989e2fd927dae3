#pragma once

// Windows Installer work on the client product's package QvClient.msi, with
// no user interface unless asked: the sample engine installs it, the install
// agent installs, repairs, upgrades, patches and removes it. Every operation
// returns Windows Installer's result (0, 3010, 1603, 1605, 1618, ...).
#include "DistributionLayout.h"

#include <windows.h>

#include <string>
#include <vector>

namespace QvClientPackage
{
// Public properties of the package: where it installs and the locale it
// records for the setup program.
constexpr const wchar_t* kInstallDirProperty = L"INSTALLDIR";
constexpr const wchar_t* kLocaleProperty = L"PRODUCTLOCALE";

// The package a distribution carries: <dir>\QvClient.msi, else the one in
// the distribution's program folder below <dir>; empty when it has none.
std::wstring FindPackage(const std::wstring& dir);

// "NAME="value"" pairs for the properties that are not empty, and no restart.
std::wstring InstallProperties(const std::wstring& installDir, const std::wstring& locale);

// The product code of the installed product of that upgrade code; empty when
// none is installed.
std::wstring FindInstalledProduct(const wchar_t* upgradeCode);

// With silent, nothing is shown; otherwise Windows Installer's basic progress.
UINT InstallPackage(const std::wstring& package, const std::wstring& installDir,
                    const std::wstring& locale, bool silent);
// Installs a newer package over the installed product (the package removes
// the older version); the same version is reinstalled from the package.
UINT UpgradeFromPackage(const std::wstring& package, const std::wstring& locale);
UINT RepairProduct(const std::wstring& productCode);
UINT UninstallProduct(const std::wstring& productCode);

struct CPatchOutcome
{
    std::wstring path;
    UINT code = 0;
};
// Each patch applied on its own, with its own result.
std::vector<CPatchOutcome> ApplyPatches(const std::vector<std::wstring>& patches);
// Removes every patch applied to the product, in one transaction: each
// outcome carries that transaction's result.
std::vector<CPatchOutcome> RemoveAllPatches(const std::wstring& productCode, UINT& code);
} // namespace QvClientPackage
