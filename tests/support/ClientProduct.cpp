#include "ClientProduct.h"

#include "ClientPackage.h"
#include "ClientPatch.h"
#include "NextRelease.h"
#include "ProcessRunner.h"
#include "ProductLocale.h"
#include "ProductQueries.h"
#include "RegistryState.h"
#include "TestFiles.h"

#include <msi.h>

namespace QvTest
{
std::wstring ClientPackagePath()
{
    return BinDir() + kClientPackageFileName;
}

std::wstring NextReleasePackagePath()
{
    return BinDir() + QV_NEXT_PACKAGE_FOLDER + L"\\" + kClientPackageFileName;
}

std::wstring ClientPatchPath()
{
    return BinDir() + QvClientPatch::kPatchFileName;
}

std::wstring InstalledPatchLevel()
{
    std::wstring level;
    ReadRawString(HKEY_LOCAL_MACHINE, QvBase::kProductKey, QvClientPatch::kPatchLevelValue, level);
    return level;
}

std::wstring InstalledClientProduct()
{
    return QvClientPackage::FindInstalledProduct(kProductUpgradeCodes[0]);
}

std::vector<std::wstring> InstalledClientProducts()
{
    std::vector<std::wstring> products;
    wchar_t product[40] = {};
    for (DWORD index = 0;
         MsiEnumRelatedProductsW(kProductUpgradeCodes[0], 0, index, product) == ERROR_SUCCESS;
         ++index)
        products.push_back(product);
    return products;
}

std::wstring InstalledClientVersion()
{
    const std::wstring product = InstalledClientProduct();
    wchar_t version[64] = {};
    DWORD size = ARRAYSIZE(version);
    if (product.empty() || MsiGetProductInfoW(product.c_str(), INSTALLPROPERTY_VERSIONSTRING,
                                              version, &size) != ERROR_SUCCESS)
        return std::wstring();
    return version;
}

UINT InstallClient(const std::wstring& installDir, const std::wstring& locale)
{
    return QvClientPackage::InstallPackage(ClientPackagePath(), installDir, locale,
                                           /*silent=*/true);
}

UINT InstallClientFrom(const std::wstring& package, const std::wstring& installDir)
{
    return QvClientPackage::InstallPackage(package, installDir, std::wstring(), /*silent=*/true);
}

UINT UninstallClient()
{
    const std::wstring product = InstalledClientProduct();
    return product.empty() ? ERROR_UNKNOWN_PRODUCT : QvClientPackage::UninstallProduct(product);
}

CClientProductGuard::CClientProductGuard(std::wstring installDir)
    : installDir(std::move(installDir))
{
}

CClientProductGuard::~CClientProductGuard()
{
    if (!InstalledClientProduct().empty())
        UninstallClient();
    if (!installDir.empty())
        RemoveTree(installDir);
}
} // namespace QvTest
