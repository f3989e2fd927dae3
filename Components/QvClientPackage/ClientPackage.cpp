#include "ClientPackage.h"

#include <msi.h>
#include <msiquery.h>

namespace QvClientPackage
{
namespace
{
constexpr const wchar_t* kNoRestart = L"REBOOT=ReallySuppress";

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring WithBackslash(std::wstring dir)
{
    if (!dir.empty() && dir.back() != L'\\')
        dir += L'\\';
    return dir;
}

// Property values are quoted; a quote inside is doubled, as msiexec reads it.
std::wstring Property(const wchar_t* name, const std::wstring& value)
{
    std::wstring text = std::wstring(L" ") + name + L"=\"";
    for (wchar_t c : value)
        text += c == L'"' ? std::wstring(L"\"\"") : std::wstring(1, c);
    return text + L"\"";
}

// Windows Installer shows nothing while the scope lasts (the setting is the
// process's); the previous level comes back at its end.
class CInstallerUi
{
public:
    explicit CInstallerUi(bool silent)
        : previous(MsiSetInternalUI(
              silent ? INSTALLUILEVEL_NONE
                     : INSTALLUILEVEL(INSTALLUILEVEL_BASIC | INSTALLUILEVEL_PROGRESSONLY),
              nullptr))
    {
    }
    ~CInstallerUi() { MsiSetInternalUI(previous, nullptr); }
    CInstallerUi(const CInstallerUi&) = delete;
    CInstallerUi& operator=(const CInstallerUi&) = delete;

private:
    INSTALLUILEVEL previous;
};

// One Windows Installer handle.
class CMsiHandle
{
public:
    CMsiHandle() = default;
    ~CMsiHandle()
    {
        if (handle != 0)
            MsiCloseHandle(handle);
    }
    CMsiHandle(const CMsiHandle&) = delete;
    CMsiHandle& operator=(const CMsiHandle&) = delete;
    MSIHANDLE* Put() { return &handle; }
    MSIHANDLE Get() const { return handle; }

private:
    MSIHANDLE handle = 0;
};

// The ProductCode property of a package file; empty when it cannot be read.
std::wstring PackageProductCode(const std::wstring& package)
{
    CMsiHandle database, view, record;
    if (MsiOpenDatabaseW(package.c_str(), MSIDBOPEN_READONLY, database.Put()) != ERROR_SUCCESS ||
        MsiDatabaseOpenViewW(database.Get(),
                             L"SELECT `Value` FROM `Property` WHERE `Property`='ProductCode'",
                             view.Put()) != ERROR_SUCCESS ||
        MsiViewExecute(view.Get(), 0) != ERROR_SUCCESS ||
        MsiViewFetch(view.Get(), record.Put()) != ERROR_SUCCESS)
        return std::wstring();
    wchar_t code[40] = {};
    DWORD size = ARRAYSIZE(code);
    if (MsiRecordGetStringW(record.Get(), 1, code, &size) != ERROR_SUCCESS)
        return std::wstring();
    return code;
}

bool IsInstalled(const std::wstring& productCode)
{
    return !productCode.empty() &&
           MsiQueryProductStateW(productCode.c_str()) == INSTALLSTATE_DEFAULT;
}

// Product codes of the patches applied to the product for the machine.
std::vector<std::wstring> AppliedPatches(const std::wstring& productCode)
{
    std::vector<std::wstring> patches;
    for (DWORD index = 0;; ++index)
    {
        wchar_t patch[40] = {};
        wchar_t target[40] = {};
        MSIINSTALLCONTEXT context = MSIINSTALLCONTEXT_NONE;
        if (MsiEnumPatchesExW(productCode.c_str(), nullptr, MSIINSTALLCONTEXT_MACHINE,
                              MSIPATCHSTATE_APPLIED, index, patch, target, &context, nullptr,
                              nullptr) != ERROR_SUCCESS)
            break;
        patches.push_back(patch);
    }
    return patches;
}
} // namespace

std::wstring FindPackage(const std::wstring& dir)
{
    if (dir.empty())
        return std::wstring();
    for (const std::wstring& below :
         {std::wstring(), std::wstring(kDistributionProgramFolder) + L"\\"})
    {
        const std::wstring path = WithBackslash(dir) + below + kClientPackageFileName;
        if (FileExists(path))
            return path;
    }
    return std::wstring();
}

std::wstring InstallProperties(const std::wstring& installDir, const std::wstring& locale)
{
    std::wstring text = kNoRestart;
    if (!installDir.empty())
        text += Property(kInstallDirProperty, installDir);
    if (!locale.empty())
        text += Property(kLocaleProperty, locale);
    return text;
}

std::wstring FindInstalledProduct(const wchar_t* upgradeCode)
{
    wchar_t productCode[40] = {};
    if (MsiEnumRelatedProductsW(upgradeCode, 0, 0, productCode) != ERROR_SUCCESS)
        return std::wstring();
    return productCode;
}

UINT InstallPackage(const std::wstring& package, const std::wstring& installDir,
                    const std::wstring& locale, bool silent)
{
    CInstallerUi ui(silent);
    return MsiInstallProductW(package.c_str(), InstallProperties(installDir, locale).c_str());
}

UINT UpgradeFromPackage(const std::wstring& package, const std::wstring& locale)
{
    CInstallerUi ui(/*silent=*/true);
    std::wstring properties = InstallProperties(std::wstring(), locale);
    // The same product code is a reinstall of every feature from the new
    // package; another one is a major upgrade that the package carries out.
    if (IsInstalled(PackageProductCode(package)))
        properties += L" REINSTALL=ALL REINSTALLMODE=vomus";
    return MsiInstallProductW(package.c_str(), properties.c_str());
}

UINT RepairProduct(const std::wstring& productCode)
{
    CInstallerUi ui(/*silent=*/true);
    return MsiReinstallProductW(productCode.c_str(),
                                REINSTALLMODE_FILEOLDERVERSION | REINSTALLMODE_FILEVERIFY |
                                    REINSTALLMODE_MACHINEDATA | REINSTALLMODE_USERDATA |
                                    REINSTALLMODE_SHORTCUT);
}

UINT UninstallProduct(const std::wstring& productCode)
{
    CInstallerUi ui(/*silent=*/true);
    return MsiConfigureProductExW(productCode.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_ABSENT,
                                  kNoRestart);
}

std::vector<CPatchOutcome> ApplyPatches(const std::vector<std::wstring>& patches)
{
    CInstallerUi ui(/*silent=*/true);
    std::vector<CPatchOutcome> outcomes;
    for (const std::wstring& patch : patches)
        outcomes.push_back(
            {patch, MsiApplyPatchW(patch.c_str(), nullptr, INSTALLTYPE_DEFAULT, kNoRestart)});
    return outcomes;
}

std::vector<CPatchOutcome> RemoveAllPatches(const std::wstring& productCode, UINT& code)
{
    CInstallerUi ui(/*silent=*/true);
    const std::vector<std::wstring> patches = AppliedPatches(productCode);
    code = ERROR_SUCCESS;
    if (patches.empty())
        return {};
    std::wstring list;
    for (const std::wstring& patch : patches)
        list += (list.empty() ? L"" : L";") + patch;
    code = MsiConfigureProductExW(
        productCode.c_str(), INSTALLLEVEL_DEFAULT, INSTALLSTATE_DEFAULT,
        (std::wstring(kNoRestart) + L" MSIPATCHREMOVE=\"" + list + L"\"").c_str());
    std::vector<CPatchOutcome> outcomes;
    for (const std::wstring& patch : patches)
        outcomes.push_back({patch, code});
    return outcomes;
}
} // namespace QvClientPackage
