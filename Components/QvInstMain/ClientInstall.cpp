#include "ClientInstall.h"

#include "ClientPackage.h"
#include "QvResponseFile.h"

namespace
{
// The folder this module was loaded from: the setup program's, in the
// distribution.
std::wstring EngineDir()
{
    HMODULE self = nullptr;
    wchar_t path[MAX_PATH] = {};
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&EngineDir), &self) ||
        GetModuleFileNameW(self, path, MAX_PATH) == 0)
        return std::wstring();
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L'\\'));
}
} // namespace

bool CClientInstall::Succeeded() const
{
    return code == ERROR_SUCCESS || code == ERROR_SUCCESS_REBOOT_REQUIRED;
}

CClientInstall InstallClientPackage(CInstallContext& context)
{
    CClientInstall install;
    // Beside the setup program, else in the distribution the response file
    // names as the source.
    install.package = QvClientPackage::FindPackage(EngineDir());
    if (install.package.empty())
        install.package = QvClientPackage::FindPackage(context.GetSource());
    if (install.package.empty())
        return install;
    const auto responseFile = context.GetResponseFile();
    const std::wstring installDir =
        responseFile ? responseFile->GetWellKnownValue(QvInstall::KeyInstallDir) : std::wstring();
    install.code = QvClientPackage::InstallPackage(install.package, installDir,
                                                   context.GetLocaleName(), context.IsSilent());
    return install;
}

void AddToReport(const CClientInstall& install, CReportLines& lines)
{
    lines.Add(L"ClientPackage", install.package.empty() ? L"none" : install.package);
    if (!install.package.empty())
        lines.Add(L"ClientPackageResult", std::to_wstring(install.code));
}
