// End-to-end: the install trace switch and the group-policy check of a run.
#include "ProcessRunner.h"
#include "RegistryState.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

namespace
{
const std::wstring kTraceKey = QvTest::kTraceKey;
const std::wstring kInstallKey = L"SOFTWARE\\velquist\\QvInstall";
const std::wstring kFilterKey =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Debug Print Filter";

QvTest::ProcessResult RunSetupProcess(const std::wstring& arguments)
{
    const QvTest::ProcessResult r =
        QvTest::RunProcess(QvTest::BinDir() + L"QvSetup.exe", arguments);
    EXPECT_TRUE(r.started) << "start error " << r.startError;
    EXPECT_TRUE(r.finished);
    return r;
}

DWORD RunSetup(const std::wstring& arguments)
{
    return RunSetupProcess(arguments).exitCode;
}

class InstallTraceRunMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallKey.c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFilterKey.c_str());
    }
    // The run switched the install trace on: the debug print filter it opens
    // stays open after the run.
    static bool TraceWasSwitchedOn()
    {
        DWORD n = 0;
        return QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, kFilterKey, L"Default", n) &&
               n == 0xFFFFFFFF;
    }

    QvTest::CTraceConfig config; // no Trace key during the test, the original after it
    QvTest::CKeyBackup install{HKEY_LOCAL_MACHINE, kInstallKey};
    QvTest::CKeyBackup filter{HKEY_LOCAL_MACHINE, kFilterKey};
    QvTest::CKeyBackup oldTrace{HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Services\\qvcc0"};
};

TEST_F(InstallTraceRunMachine, GroupPolicyRunBelowANewerVersionEndsWith1626)
{
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallKey, L"version", L"6.0.0.0");
    // Interactive or not, the check ends the run quietly: no message box.
    for (const wchar_t* arguments : {L"/script /gp", L"/gp"})
    {
        SCOPED_TRACE(arguments);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kFilterKey.c_str());
        const QvTest::ProcessResult r = RunSetupProcess(arguments);
        EXPECT_EQ(static_cast<DWORD>(ERROR_FUNCTION_NOT_CALLED), r.exitCode);
        EXPECT_TRUE(r.messageBoxes.empty());
        EXPECT_TRUE(TraceWasSwitchedOn());
        EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey));
        EXPECT_EQ(1u, QvTest::RegQuery(L"\"HKLM\\" + kTraceKey + L"\"").exitCode);
    }
}

TEST_F(InstallTraceRunMachine, GroupPolicyRunOverTheSameVersionGoesOn)
{
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallKey, L"version", L"5.2.20314.0");
    EXPECT_NE(static_cast<DWORD>(ERROR_FUNCTION_NOT_CALLED), RunSetup(L"/script /gp"));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey));
}

TEST_F(InstallTraceRunMachine, RunWithoutTraceConfigurationLeavesNone)
{
    RunSetup(L"/script");
    EXPECT_TRUE(TraceWasSwitchedOn());
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey));
}

TEST_F(InstallTraceRunMachine, RunKeepsTheAdministratorsConfiguration)
{
    QvTest::CTempDir dir(L"QvInstallTraceRun");
    config.SetText(nullptr, L"TracePath", dir.Path());
    config.SetNumber(nullptr, L"EnableMask", 0);
    config.SetNumber(L"QvSetup", L"ParamsMask", 0);
    RunSetup(L"/script");
    DWORD n = 1;
    std::wstring path;
    EXPECT_TRUE(QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"EnableMask", n) && n == 0);
    EXPECT_TRUE(QvTest::ReadRawString(HKEY_LOCAL_MACHINE, kTraceKey, L"TracePath", path));
    EXPECT_EQ(dir.Path(), path);
    EXPECT_FALSE(QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"ParamsMask", n));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey + L"\\QvDC"));
    EXPECT_TRUE(
        QvTest::ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey + L"\\QvSetup", L"ParamsMask", n) &&
        n == 0);
}
} // namespace
