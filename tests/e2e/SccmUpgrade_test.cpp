// The next release over the installed one, what a fleet does most after the
// first install: through SCCM and through a group-policy script, each way
// round, with really installed products (QvClient.msi of the build and of
// the next release, NextRelease.h).
#include "SccmMachine.h"

#include "ClientProduct.h"
#include "InstallTaskNames.h"
#include "NextRelease.h"
#include "ProductQueries.h"
#include "UniqueResource.h"

#include <vector>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kNextDistRoot = L"C:\\QvSccmNextDist";

std::wstring ServiceDisplayName(const wchar_t* name)
{
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), name, SERVICE_QUERY_CONFIG));
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(block.data());
    if (needed == 0 || !QueryServiceConfigW(service.Get(), config, needed, &needed))
        return std::wstring();
    return config->lpDisplayName != nullptr ? config->lpDisplayName : L"";
}

class SccmUpgradeMachine : public CSccmMachineTest
{
protected:
    void SetUp() override
    {
        CSccmMachineTest::SetUp();
        ASSERT_TRUE(next.AddAgentAndPackage(NextReleasePackagePath()));
        next.WriteRootResponseFile(kSccmResponseFile);
    }

    CTestDistribution next{kNextDistRoot, /*withEngine=*/false};
};

TEST_F(SccmUpgradeMachine, TheNextReleaseReplacesTheInstalledOne)
{
    ASSERT_EQ(0u, InstallClient(kSccmInstallDir));
    ASSERT_EQ(GetSetupVersion().Text(), InstalledClientVersion());

    // Through the product's own agent, whose service the major upgrade
    // removes and registers again while the task runs.
    const ProcessResult upgrade = RunSccmFrom(next, L"/sccm /upgrade");
    ASSERT_TRUE(upgrade.finished);
    EXPECT_EQ(0u, upgrade.exitCode);
    EXPECT_EQ(1u, InstalledClientProducts().size()) << "the older release went";
    EXPECT_EQ(QV_NEXT_VERSION_TEXT, InstalledClientVersion());
    EXPECT_EQ(QV_NEXT_VERSION_TEXT, GetQvsVersion().Text()) << "the product's version value";
    EXPECT_EQ(L"Quorvel install agent " QV_NEXT_VERSION_TEXT, ServiceDisplayName(kAgentServiceName))
        << "the next release's agent";
    EXPECT_TRUE(NothingOfTheJobRunsOn());

    EXPECT_EQ(0u, RunSccmFrom(next, L"/sccm /repair").exitCode) << "and it answers";
}

TEST_F(SccmUpgradeMachine, AnOlderReleaseLeavesTheNewerOneInstalled)
{
    ASSERT_EQ(0u, InstallClientFrom(NextReleasePackagePath(), kSccmInstallDir));
    const ProcessResult upgrade = RunSccm(L"/sccm /upgrade");
    ASSERT_TRUE(upgrade.finished);
    EXPECT_NE(0u, upgrade.exitCode) << "the agent reports Windows Installer's refusal";
    EXPECT_NE(std::string::npos, Log().find("Task 4 finished with result ")) << Log();
    EXPECT_EQ(1u, InstalledClientProducts().size());
    EXPECT_EQ(QV_NEXT_VERSION_TEXT, InstalledClientVersion());
}

// A group-policy script runs at every boot: /gp ends with 1626 where a newer
// release is installed, and goes on (the engine installs the package it
// carries) where an older one is.
TEST_F(SccmUpgradeMachine, AGroupPolicyRunComparesWithTheInstalledRelease)
{
    struct Case
    {
        const char* name;
        std::wstring installed;
        std::wstring carried;
        DWORD exitCode;
        std::wstring versionAfter;
    } cases[] = {
        {"older distribution over the next release", NextReleasePackagePath(), ClientPackagePath(),
         ERROR_FUNCTION_NOT_CALLED, QV_NEXT_VERSION_TEXT},
        {"next distribution over the older release", ClientPackagePath(), NextReleasePackagePath(),
         ERROR_SUCCESS, QV_NEXT_VERSION_TEXT},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(0u, InstallClientFrom(c.installed, kSccmInstallDir));
        const CTestDistribution script(TempPath(L"QvGpUpgradeDist"));
        ASSERT_TRUE(CopyFileW(c.carried.c_str(), (script.ProgramDir() + L"\\QvClient.msi").c_str(),
                              /*failIfExists=*/FALSE));
        script.WriteResponseFile(std::wstring(L"[Common]\r\nInstalldir=") + kSccmInstallDir +
                                 L"\r\n");
        const ProcessResult run = RunProcess(script.Setup(), L"/script /gp", kSccmRunTimeoutMs);
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(c.exitCode, run.exitCode);
        EXPECT_EQ(c.versionAfter, InstalledClientVersion());
        EXPECT_EQ(1u, InstalledClientProducts().size());
        ASSERT_EQ(0u, UninstallClient());
    }
}
} // namespace
