#include "ClientProduct.h"

#include "ClientPackage.h"
#include "ClientPatch.h"
#include "ProcessRunner.h"
#include "ProductQueries.h"
#include "TestFiles.h"

namespace QvTest
{
std::wstring ClientPackagePath()
{
    return BinDir() + QvClientPackage::kPackageFileName;
}

std::wstring ClientPatchPath()
{
    return BinDir() + QvClientPatch::kPatchFileName;
}

std::wstring InstalledClientProduct()
{
    return QvClientPackage::FindInstalledProduct(kProductUpgradeCodes[0]);
}

UINT InstallClient(const std::wstring& installDir, const std::wstring& locale)
{
    return QvClientPackage::InstallPackage(ClientPackagePath(), installDir, locale,
                                           /*silent=*/true);
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
