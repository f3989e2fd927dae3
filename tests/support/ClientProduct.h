#pragma once

// Test helpers for the stand-in product package QvClient.msi beside the test:
// installed and removed through Windows Installer, and a guard that removes
// whatever a test left installed, together with its service; and the build's
// patch package for it, QvClientPatch.msp, beside it.
#include <windows.h>

#include <string>

namespace QvTest
{
constexpr const wchar_t* kClientServiceName = L"QvInstAgent";

std::wstring ClientPackagePath();
std::wstring ClientPatchPath();
// The installed product code of the package's upgrade code; empty if none.
std::wstring InstalledClientProduct();
UINT InstallClient(const std::wstring& installDir = std::wstring(),
                   const std::wstring& locale = std::wstring());
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
