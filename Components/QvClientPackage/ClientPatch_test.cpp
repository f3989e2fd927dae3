#include "ClientPackage.h"

#include "AgentMachine.h"
#include "ClientPatch.h"
#include "ClientProduct.h"
#include "ProductQueries.h"
#include "RegistryState.h"
#include "TestFiles.h"

#include <msi.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
using namespace QvTest;
using QvClientPatch::kPatchCode;

constexpr const wchar_t* kInstallDir = L"C:\\QvTestClientPatch";

// The build's patch package against the installed stand-in product, through
// the product's own Windows Installer calls.
class ClientPatchMachine : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FileExists(ClientPatchPath())); }
    // The product and its service go before and after each test, and every
    // patch applied to the product with it.
    CAgentMachineCleanup cleanup{kInstallDir};
};

UINT ApplyOne(const std::wstring& patch)
{
    const auto outcomes = QvClientPackage::ApplyPatches({patch});
    EXPECT_EQ(1u, outcomes.size());
    EXPECT_EQ(patch, outcomes.empty() ? std::wstring() : outcomes[0].path);
    return outcomes.empty() ? ERROR_SUCCESS : outcomes[0].code;
}

struct CAppliedPatch
{
    std::wstring patch;
    std::wstring target;
    MSIINSTALLCONTEXT context = MSIINSTALLCONTEXT_NONE;
};

// The patch at that index of those Windows Installer lists as applied to the
// product, in any context; ERROR_NO_MORE_ITEMS past the last.
UINT AppliedPatch(const std::wstring& product, DWORD index, CAppliedPatch& applied)
{
    wchar_t patch[40] = {};
    wchar_t target[40] = {};
    const UINT code =
        MsiEnumPatchesExW(product.c_str(), nullptr, MSIINSTALLCONTEXT_ALL, MSIPATCHSTATE_APPLIED,
                          index, patch, target, &applied.context, nullptr, nullptr);
    applied.patch = patch;
    applied.target = target;
    return code;
}

// A property Windows Installer registered for the patch on the product, or
// "error <code>".
std::wstring PatchInfo(const std::wstring& product, const wchar_t* property)
{
    wchar_t value[MAX_PATH] = {};
    DWORD size = ARRAYSIZE(value);
    const UINT code = MsiGetPatchInfoExW(kPatchCode, product.c_str(), nullptr,
                                         MSIINSTALLCONTEXT_MACHINE, property, value, &size);
    return code == ERROR_SUCCESS ? std::wstring(value) : L"error " + std::to_wstring(code);
}

TEST_F(ClientPatchMachine, AppliedPatchAddsItsValueAndIsRegistered)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"es-ES"));
    const std::wstring product = InstalledClientProduct();
    ASSERT_FALSE(product.empty());
    ASSERT_EQ(L"", InstalledPatchLevel()) << "the package alone writes no patch level";

    ASSERT_EQ(0u, ApplyOne(ClientPatchPath()));
    EXPECT_EQ(QvClientPatch::kPatchLevel, InstalledPatchLevel());
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale()) << "the product's other values stay";
    EXPECT_EQ(GetSetupVersion().Text(), GetQvsVersion().Text()) << "a small update";
    EXPECT_EQ(product, InstalledClientProduct());

    CAppliedPatch applied;
    ASSERT_EQ(0u, AppliedPatch(product, 0, applied));
    EXPECT_EQ(kPatchCode, applied.patch);
    EXPECT_EQ(product, applied.target);
    EXPECT_EQ(MSIINSTALLCONTEXT_MACHINE, applied.context);
    EXPECT_EQ(static_cast<UINT>(ERROR_NO_MORE_ITEMS), AppliedPatch(product, 1, applied))
        << "one patch";
    EXPECT_EQ(L"1", PatchInfo(product, INSTALLPROPERTY_PATCHSTATE)) << "applied";
    EXPECT_EQ(L"1", PatchInfo(product, INSTALLPROPERTY_UNINSTALLABLE))
        << "the patch allows its removal";
    const std::wstring cached = PatchInfo(product, INSTALLPROPERTY_LOCALPACKAGE);
    EXPECT_TRUE(FileExists(cached)) << cached.c_str();
}

TEST_F(ClientPatchMachine, RemovingAllPatchesTakesTheValueAwayAndKeepsTheProduct)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"es-ES"));
    const std::wstring product = InstalledClientProduct();
    ASSERT_EQ(0u, ApplyOne(ClientPatchPath()));

    UINT code = 1;
    const auto outcomes = QvClientPackage::RemoveAllPatches(product, code);
    EXPECT_EQ(0u, code);
    ASSERT_EQ(1u, outcomes.size());
    EXPECT_EQ(kPatchCode, outcomes[0].path);
    EXPECT_EQ(0u, outcomes[0].code);
    EXPECT_EQ(product, InstalledClientProduct()) << "only the patch goes";
    if (RunsUnderWine())
        // Wine's Windows Installer ignores MSIPATCHREMOVE: it applies the
        // registered patch again, keeps it registered and reports success.
        GTEST_SKIP() << "Wine cannot remove a patch";
    EXPECT_EQ(L"", InstalledPatchLevel());
    CAppliedPatch applied;
    EXPECT_EQ(static_cast<UINT>(ERROR_NO_MORE_ITEMS), AppliedPatch(product, 0, applied));
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale());
}

// Windows Installer's own answers pass through unchanged, per patch. Windows
// gives the codes Microsoft documents for MsiApplyPatch; Wine has codes of
// its own for each.
struct CRefusal
{
    const char* what;
    bool productInstalled;
    std::wstring (*patch)(const CTempDir& dir);
    UINT windowsCode;
    UINT wineCode;
};

TEST_F(ClientPatchMachine, RefusalsAreWindowsInstallersOwnCodes)
{
    const CRefusal refusals[] = {
        {"a file that is not a patch", true,
         [](const CTempDir& dir)
         {
             const std::wstring path = dir / L"not-a-patch.msp";
             EXPECT_TRUE(WriteFileBytes(path, "not a patch\r\n"));
             return path;
         },
         ERROR_PATCH_PACKAGE_OPEN_FAILED, ERROR_FUNCTION_FAILED},
        {"an installation package in place of a patch", true,
         [](const CTempDir&) { return ClientPackagePath(); }, ERROR_PATCH_PACKAGE_INVALID,
         ERROR_INVALID_PARAMETER},
        {"a missing file", true, [](const CTempDir& dir) { return dir / L"missing.msp"; },
         ERROR_PATCH_PACKAGE_OPEN_FAILED, ERROR_FUNCTION_FAILED},
        {"the patch without its product", false, [](const CTempDir&) { return ClientPatchPath(); },
         ERROR_PATCH_TARGET_NOT_FOUND, ERROR_UNKNOWN_PRODUCT},
    };
    for (const CRefusal& refusal : refusals)
    {
        SCOPED_TRACE(refusal.what);
        const bool installed = !InstalledClientProduct().empty();
        if (refusal.productInstalled && !installed)
        {
            ASSERT_EQ(0u, InstallClient(kInstallDir));
        }
        if (!refusal.productInstalled && installed)
        {
            ASSERT_EQ(0u, UninstallClient());
        }
        CTempDir dir(L"QvClientPatchRefusal");
        EXPECT_EQ(RunsUnderWine() ? refusal.wineCode : refusal.windowsCode,
                  ApplyOne(refusal.patch(dir)));
        EXPECT_EQ(L"", InstalledPatchLevel());
    }
}
} // namespace
