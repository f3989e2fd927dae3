#include "ProductQueries.h"

#include "RegistryState.h"

#include "MsiState.h"

#include <gtest/gtest.h>

namespace
{
using QvTest::CKeyBackup;

TEST(ProductQueries, SetupVersionAndDefaultLocale)
{
    const ProductVersion setup = GetSetupVersion();
    EXPECT_EQ(L"5.2.20314.0", setup.Text());
    EXPECT_EQ(ProductVersion(5, 2, 20314, 0).Packed(), setup.Packed());
    EXPECT_EQ(L"ru-RU", GetDefaultProductLocale());
}

TEST(ProductQueriesMachine, InstalledVersionComesFromTheInstallKey)
{
    CKeyBackup backup(HKEY_LOCAL_MACHINE, kInstallVersionKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallVersionKey);
    EXPECT_EQ(0, GetQvsVersion().Packed()) << "no key";
    EXPECT_EQ(L"", GetQvsVersion().Text());

    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallVersionKey, L"other", L"1");
    EXPECT_EQ(0, GetQvsVersion().Packed()) << "no value";

    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallVersionKey, L"version", L"6.1.7.");
    const ProductVersion v = GetQvsVersion();
    EXPECT_EQ(ProductVersion(6, 1, 7, 0).Packed(), v.Packed());
    EXPECT_EQ(L"6.1.7", v.Text());
}

TEST(ProductQueriesMachine, InstalledLocaleIsEmptyWithoutTheValue)
{
    CKeyBackup backup(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    EXPECT_EQ(L"", GetInstalledProductLocale());
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kProductKey, L"ProductLocale", L"es-ES");
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale());
}

const std::wstring kUpgradeCodeKeys[] = {
    L"Software\\Classes\\Installer\\UpgradeCodes\\",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UpgradeCodes\\",
};

class RelatedProductMachine : public ::testing::Test
{
protected:
    // Registers a product under the upgrade code where Windows and Wine look.
    void Register(const wchar_t* upgradeCode)
    {
        for (const std::wstring& root : kUpgradeCodeKeys)
        {
            const std::wstring key = root + QvTest::Squish(upgradeCode);
            backups.emplace_back(new CKeyBackup(HKEY_LOCAL_MACHINE, key));
            QvTest::WriteString(HKEY_LOCAL_MACHINE, key, QvTest::Squish(kProductCode).c_str(), L"");
        }
    }
    void TearDown() override
    {
        while (!backups.empty())
            backups.pop_back();
    }

    static constexpr const wchar_t* kProductCode = L"{C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}";
    std::vector<std::unique_ptr<CKeyBackup>> backups;
};

TEST_F(RelatedProductMachine, SquishingFollowsWindowsInstaller)
{
    EXPECT_EQ(L"A5BF478C58C1A0644A9ABCCCF3EA8708", QvTest::Squish(kProductCode));
}

TEST_F(RelatedProductMachine, ProductIsInstalledUnderEitherUpgradeCode)
{
    for (const wchar_t* code : kProductUpgradeCodes)
        for (const std::wstring& root : kUpgradeCodeKeys)
            ASSERT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, root + QvTest::Squish(code)))
                << "the machine has the product registered already";
    EXPECT_FALSE(IsProductInstalled());
    for (const wchar_t* code : kProductUpgradeCodes)
    {
        Register(code);
        EXPECT_TRUE(IsProductInstalled()) << code;
        TearDown();
        EXPECT_FALSE(IsProductInstalled()) << code;
    }
}
} // namespace
