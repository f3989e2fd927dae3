#include "ClientPackage.h"

#include "AgentMachine.h"
#include "ClientProduct.h"
#include "ProductQueries.h"
#include "TestFiles.h"
#include "TestService.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace
{
using namespace QvTest;
using QvClientPackage::FindPackage;

constexpr const wchar_t* kInstallDir = L"C:\\QvTestClientPackage";

class ClientPackageMachine : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(FileExists(ClientPackagePath())); }
    // A product a test left (or one that hung and was ended) goes first, and
    // whatever this test leaves goes at its end.
    CAgentMachineCleanup cleanup{kInstallDir};
    // The package's service: removed also when a test fails half-way.
    CTestService agentService{kClientServiceName};
};

// The setup program's own queries see the installed package: no seeding.
TEST_F(ClientPackageMachine, InstallIsSeenByTheQueriesAndUninstallRemovesEverything)
{
    ASSERT_FALSE(IsProductInstalled());
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"es-ES"));

    EXPECT_TRUE(IsProductInstalled());
    EXPECT_EQ(GetSetupVersion().Text(), GetQvsVersion().Text()) << "the build's version";
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale());
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvInstAgent.exe"));
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvClient.txt"));
    ServiceConfig config;
    ASSERT_TRUE(agentService.ReadConfig(config));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.serviceType);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
    EXPECT_EQ(L"LocalSystem", config.account);
    // Windows quotes the image path, Wine does not: compare the path alone.
    EXPECT_NE(std::wstring::npos,
              config.imagePath.find(std::wstring(kInstallDir) + L"\\QvInstAgent.exe"))
        << config.imagePath.c_str();

    ASSERT_EQ(0u, UninstallClient());
    EXPECT_FALSE(IsProductInstalled());
    EXPECT_EQ(L"", GetQvsVersion().Text());
    EXPECT_EQ(L"", GetInstalledProductLocale());
    EXPECT_FALSE(FileExists(std::wstring(kInstallDir) + L"\\QvInstAgent.exe"));
    EXPECT_FALSE(agentService.Exists());
    EXPECT_EQ(static_cast<UINT>(ERROR_UNKNOWN_PRODUCT), UninstallClient()) << "nothing left";
}

TEST_F(ClientPackageMachine, DefaultsAreRussianUnderProgramFiles)
{
    ASSERT_EQ(0u, InstallClient());
    EXPECT_EQ(L"ru-RU", GetInstalledProductLocale());
    wchar_t programFiles[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%ProgramW6432%\\Quorvel\\QvClient.txt", programFiles, MAX_PATH);
    EXPECT_TRUE(FileExists(programFiles)) << programFiles;
}

TEST_F(ClientPackageMachine, RepairUpgradeAndPatchesOnTheInstalledProduct)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"es-ES"));
    const std::wstring product = InstalledClientProduct();
    ASSERT_FALSE(product.empty());

    const std::wstring note = std::wstring(kInstallDir) + L"\\QvClient.txt";
    ASSERT_TRUE(DeleteFileW(note.c_str()));
    EXPECT_EQ(0u, QvClientPackage::RepairProduct(product));
    EXPECT_TRUE(FileExists(note)) << "repair puts the missing file back";
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale()) << "repair keeps the installed locale";

    // The same version again from the package: a reinstall, still one product.
    EXPECT_EQ(0u, QvClientPackage::UpgradeFromPackage(ClientPackagePath(), L"es-ES"));
    EXPECT_EQ(product, InstalledClientProduct());

    // A file that is not a patch: Windows Installer's own refusal, per patch.
    CTempDir dir(L"QvClientPackageTest");
    const std::wstring notAPatch = dir / L"not-a-patch.msp";
    HANDLE file =
        CreateFileW(notAPatch.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    QvBase::CUniqueFileHandle owned(file);
    const auto outcomes = QvClientPackage::ApplyPatches({notAPatch});
    ASSERT_EQ(1u, outcomes.size());
    EXPECT_EQ(notAPatch, outcomes[0].path);
    EXPECT_NE(0u, outcomes[0].code);

    UINT code = 1;
    EXPECT_TRUE(QvClientPackage::RemoveAllPatches(product, code).empty());
    EXPECT_EQ(0u, code) << "no patch applied: nothing to remove";
}

TEST(ClientPackage, FindsThePackageBesideTheProgramOrInTheDistribution)
{
    CTempDir dir(L"QvClientPackageFind");
    EXPECT_EQ(L"", FindPackage(dir.Path()));
    EXPECT_EQ(L"", FindPackage(L""));
    const std::wstring folder = kDistributionProgramFolder;
    for (size_t at = folder.find(L'\\'); at != std::wstring::npos; at = folder.find(L'\\', at + 1))
        CreateDirectoryW((dir / folder.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW((dir / folder).c_str(), nullptr);
    const std::wstring deep = dir / (folder + L"\\" + kClientPackageFileName);
    ASSERT_TRUE(CopyFileW(ClientPackagePath().c_str(), deep.c_str(), FALSE));
    EXPECT_EQ(deep, FindPackage(dir.Path()));
    EXPECT_EQ(deep, FindPackage(dir.Path() + L"\\"));
    const std::wstring beside = dir / kClientPackageFileName;
    ASSERT_TRUE(CopyFileW(ClientPackagePath().c_str(), beside.c_str(), FALSE));
    EXPECT_EQ(beside, FindPackage(dir.Path()));
}

TEST(ClientPackage, PropertiesAreQuotedAndOnlyWhenGiven)
{
    EXPECT_EQ(L"REBOOT=ReallySuppress", QvClientPackage::InstallProperties(L"", L""));
    EXPECT_EQ(L"REBOOT=ReallySuppress INSTALLDIR=\"C:\\A B\" PRODUCTLOCALE=\"es-ES\"",
              QvClientPackage::InstallProperties(L"C:\\A B", L"es-ES"));
    EXPECT_EQ(L"REBOOT=ReallySuppress INSTALLDIR=\"C:\\x\"\"y\"",
              QvClientPackage::InstallProperties(L"C:\\x\"y", L""));
}
} // namespace
