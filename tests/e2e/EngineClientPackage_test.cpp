// A script run of QvSetup.exe from a distribution that carries the product
// package: the sample engine installs it for real, and Windows Installer's
// failure becomes the run's exit code.
#include "AgentMachine.h"
#include "ClientProduct.h"
#include "ProcessRunner.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kInstallDir = L"C:\\QvE2eClient";

class EngineClientPackageMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dist.WriteResponseFile(std::wstring(L"[Common]\r\nInstalldir=") + kInstallDir + L"\r\n");
    }
    std::wstring PackageBesideTheProgram() const { return dist.ProgramDir() + L"\\QvClient.msi"; }

    // A product a test left (or one that hung and was ended) goes first, and
    // whatever this test leaves goes at its end.
    CAgentMachineCleanup cleanup{kInstallDir};
    CTestDistribution dist{TempPath(L"QvE2eEngineClient")};
    CEngineReport report{TempPath(L"QvE2eEngineClient.report.txt")};
};

TEST_F(EngineClientPackageMachine, ScriptRunInstallsTheCarriedPackage)
{
    ASSERT_TRUE(CopyFileW(ClientPackagePath().c_str(), PackageBesideTheProgram().c_str(), FALSE));
    const ProcessResult run = RunProcess(dist.Setup(), L"/script");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << report.Text();
    auto lines = report.Read();
    EXPECT_EQ(PackageBesideTheProgram(), lines[L"ClientPackage"]) << report.Text();
    EXPECT_EQ(L"0", lines[L"ClientPackageResult"]);

    EXPECT_FALSE(InstalledClientProduct().empty());
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvInstAgent.exe")) << "Installdir";
    // The run's locale is the build's.
    wchar_t locale[32] = {};
    DWORD size = sizeof locale;
    EXPECT_EQ(ERROR_SUCCESS, RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Dravisk\\Quorvel",
                                          L"ProductLocale", RRF_RT_REG_SZ, nullptr, locale, &size));
    EXPECT_STREQ(L"es-ES", locale);
}

TEST_F(EngineClientPackageMachine, InstallerFailureIsTheExitCode)
{
    // A file of that name that is no package: Windows Installer refuses it.
    {
        QvBase::CUniqueFileHandle file(CreateFileW(PackageBesideTheProgram().c_str(), GENERIC_WRITE,
                                                   0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file.IsValid());
        DWORD written = 0;
        WriteFile(file.Get(), "not a package", 13, &written, nullptr);
    }

    const ProcessResult run = RunProcess(dist.Setup(), L"/script");
    ASSERT_TRUE(run.finished);
    auto lines = report.Read();
    const std::wstring code = lines[L"ClientPackageResult"];
    ASSERT_FALSE(code.empty()) << report.Text();
    EXPECT_NE(L"0", code);
    EXPECT_EQ(code, std::to_wstring(run.exitCode)) << "the installer's code ends the run";
    EXPECT_TRUE(InstalledClientProduct().empty());
}

TEST_F(EngineClientPackageMachine, WithoutThePackageNothingIsInstalled)
{
    const ProcessResult run = RunProcess(dist.Setup(), L"/script");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(L"none", report.Read()[L"ClientPackage"]) << report.Text();
    EXPECT_TRUE(InstalledClientProduct().empty());
}
} // namespace
