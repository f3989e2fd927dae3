#include "ProductQueries.h"

#include "RegistryState.h"

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

// Windows Installer's registration of a product under an upgrade code. Codes
// are stored "squished": the first three groups reversed, the bytes of the
// last two with their nibbles swapped.
std::wstring Squish(const std::wstring& code)
{
    const std::wstring hex = code.substr(1, 8) + code.substr(10, 4) + code.substr(15, 4) +
                             code.substr(20, 4) + code.substr(25, 12);
    std::wstring out(hex.rbegin() + 24, hex.rend());
    out += std::wstring(hex.rbegin() + 20, hex.rbegin() + 24);
    out += std::wstring(hex.rbegin() + 16, hex.rbegin() + 20);
    for (size_t i = 16; i < 32; i += 2)
        out += std::wstring{hex[i + 1], hex[i]};
    return out;
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
            const std::wstring key = root + Squish(upgradeCode);
            backups.emplace_back(new CKeyBackup(HKEY_LOCAL_MACHINE, key));
            QvTest::WriteString(HKEY_LOCAL_MACHINE, key, Squish(kProductCode).c_str(), L"");
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
    EXPECT_EQ(L"A5BF478C58C1A0644A9ABCCCF3EA8708", Squish(kProductCode));
}

TEST_F(RelatedProductMachine, ProductIsInstalledUnderEitherUpgradeCode)
{
    for (const wchar_t* code : kProductUpgradeCodes)
        for (const std::wstring& root : kUpgradeCodeKeys)
            ASSERT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, root + Squish(code)))
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
