#pragma once

// Test helpers for the stand-in product package QvClient.msi beside the test:
// installed and removed through Windows Installer, and a guard that removes
// whatever a test left installed, together with its service; and the build's
// patch package for it, QvClientPatch.msp, beside it.
#include <windows.h>

#include <string>
#include <vector>

namespace QvTest
{
constexpr const wchar_t* kClientServiceName = L"QvInstAgent";

std::wstring ClientPackagePath();
// The package of the next release (NextRelease.h): the same product at a
// higher version, its own product code, the same upgrade code.
std::wstring NextReleasePackagePath();
// The build's patch of the package (ClientPatch.h).
std::wstring ClientPatchPath();
// The value the patch adds to the product's key; empty when it is missing.
std::wstring InstalledPatchLevel();
// The installed product code of the package's upgrade code; empty if none.
std::wstring InstalledClientProduct();
// Every installed product of the package's upgrade code.
std::vector<std::wstring> InstalledClientProducts();
// The installed product's version as Windows Installer records it; empty
// when none is installed.
std::wstring InstalledClientVersion();
UINT InstallClient(const std::wstring& installDir = std::wstring(),
                   const std::wstring& locale = std::wstring());
// The same from another package of the product.
UINT InstallClientFrom(const std::wstring& package, const std::wstring& installDir);
UINT UninstallClient();

// Removes an installed client product and its install directory when the
// test ends, however it ends.
class CClientProductGuard
{
public:
    explicit CClientProductGuard(std::wstring installDir = std::wstring());
    ~CClientProductGuard();
    CClientProductGuard(const CClientProductGuard&) = delete;
    CClientProductGuard& operator=(const CClientProductGuard&) = delete;

private:
    std::wstring installDir;
};
} // namespace QvTest
