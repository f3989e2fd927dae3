// End-to-end runs of QvSetup.exe through the sample engine, each from a
// distribution folder of its own. The engine reports the install context it
// was given (Components/QvInstMain/EngineOptions.h).
#include "ProcessRunner.h"
#include "TestDistribution.h"
#include "MsiState.h"
#include "TestFiles.h"
#include "TraceConfig.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{
using QvTest::CEngineReport;
using QvTest::CTestDistribution;
using QvTest::TempPath;
using Report = std::map<std::wstring, std::wstring>;

// Message boxes of the run are read and dismissed by the runner.
QvTest::ProcessResult RunSetupProcessIn(const CTestDistribution& dist,
                                        const std::wstring& arguments)
{
    const QvTest::ProcessResult r = QvTest::RunProcess(dist.Setup(), arguments);
    EXPECT_TRUE(r.started) << "start error " << r.startError;
    EXPECT_TRUE(r.finished);
    return r;
}

DWORD RunSetupIn(const CTestDistribution& dist, const std::wstring& arguments)
{
    const QvTest::ProcessResult r = RunSetupProcessIn(dist, arguments);
    EXPECT_TRUE(r.messageBoxes.empty()) << "a script run shows nothing";
    return r.exitCode;
}

// Sets an engine instruction for the lifetime of the object.
class CEngineInstruction
{
public:
    CEngineInstruction(const wchar_t* name, const wchar_t* value) : name(name)
    {
        SetEnvironmentVariableW(name, value);
    }
    ~CEngineInstruction() { SetEnvironmentVariableW(name, nullptr); }

private:
    const wchar_t* name;
};

const wchar_t kResponseFile[] = L"[Common]\r\n"
                                L"Source=C:\\QvSrc\r\n"
                                L"Installdir=C:\\Program Files\\Quorvel\r\n"
                                L"[core]\r\n"
                                L"Action=install\r\n"
                                L"[patches]\r\n"
                                L"count=1\r\n"
                                L"patch0=C:\\QvPatches\\p1\r\n";

// The runtimes read as installed: these runs start no package, so the exit
// code is the response file's and the engine's alone. (A package that Wine
// failed to start ended a run with 1359, its STATUS_INTERNAL_ERROR for a
// process that died while starting, before the response file was looked at.)
class EngineScriptMachine : public ::testing::Test
{
protected:
    void SetUp() override { msi.AddRuntimes(); }

    QvTest::CMsiState msi;
    CTestDistribution dist{TempPath(L"QvE2eEngine")};
    CEngineReport report{TempPath(L"QvE2eEngine.report.txt")};
};

TEST_F(EngineScriptMachine, ContextComesFromTheResponseFileBesideTheProgram)
{
    dist.WriteResponseFile(kResponseFile);
    ASSERT_EQ(0u, RunSetupIn(dist, L"/script"));
    Report r = report.Read();
    EXPECT_EQ(L"1", r[L"Silent"]) << report.Text();
    EXPECT_EQ(L"none", r[L"Window"]);
    EXPECT_EQ(L"es-ES", r[L"Locale"]);
    EXPECT_EQ(L"C:\\QvSrc", r[L"Source"]);
    EXPECT_EQ(L"C:\\QvSrc", r[L"SourceRoot"]);
    EXPECT_EQ(L"C:\\QvSrc\\failed", r[L"FailedDir"]);
    EXPECT_EQ(dist.ProgramDir() + L"\\QvInst.rsp", r[L"ResponseFile"]);
    EXPECT_EQ(L"C:\\QvSrc", r[L"Common.SourceRoot"]);
    EXPECT_EQ(L"C:\\Program Files\\Quorvel", r[L"Common.Installdir"]);
    EXPECT_EQ(L"", r[L"Common.jcsf"]);
    EXPECT_EQ(L"1", r[L"Action.core"]);
    EXPECT_EQ(L"0", r[L"Action.local"]);
    EXPECT_EQ(L"1", r[L"Patches"]);
    EXPECT_EQ(L"C:\\QvPatches\\p1\\", r[L"Patch0"]);
    EXPECT_EQ(L"1", r[L"Messages"]);
    // The engine's object in the context goes before the engine is unloaded.
    EXPECT_EQ(L"released", r[L"SharedObject"]);
}

TEST_F(EngineScriptMachine, JcsfOptionReachesTheEngineThroughTheResponseFile)
{
    dist.WriteResponseFile(kResponseFile);
    ASSERT_EQ(0u, RunSetupIn(dist, L"/script /jcsf"));
    EXPECT_EQ(L"1", report.Read()[L"Common.jcsf"]) << report.Text();
}

TEST_F(EngineScriptMachine, ResponseFileWithoutSourceGivesAnEmptySource)
{
    dist.WriteResponseFile(L"[Common]\r\nInstalldir=C:\\Quorvel\r\n");
    ASSERT_EQ(0u, RunSetupIn(dist, L"/script"));
    Report r = report.Read();
    EXPECT_EQ(L"", r[L"Source"]) << report.Text();
    EXPECT_EQ(L"", r[L"SourceRoot"]);
    EXPECT_EQ(L"\\failed", r[L"FailedDir"]);
}

TEST_F(EngineScriptMachine, MissingResponseFileEndsWithFileNotFound)
{
    // Any other code names its step in the install library's trace.
    QvTest::CTempDir logs(L"QvE2eEngineLogs");
    QvTest::CTraceConfig config;
    config.TraceSinkInto(L"QvInstallLib", logs.Path());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), RunSetupIn(dist, L"/script"))
        << QvTest::ReadFileBytes(logs / L"QvInstallLib.log");
    EXPECT_TRUE(report.Read().empty()) << "the engine must not run";
}

struct EngineOutcomeCase
{
    const wchar_t* name;
    const wchar_t* value;
    DWORD exitCode;
};

// Whatever the engine returns, the run succeeded; what it raises decides.
TEST_F(EngineScriptMachine, ExitCodeFollowsTheEnginesOutcome)
{
    dist.WriteResponseFile(kResponseFile);
    const EngineOutcomeCase cases[] = {
        {L"QVINSTMAIN_RETURN", L"5", 0},
        {L"QVINSTMAIN_RAISE", L"1234", 1234},
        {L"QVINSTMAIN_RAISE", L"0xE6000003", 0xE6000003},
        {L"QVINSTMAIN_RAISE", L"std", 0x8000FFFF},
    };
    for (const EngineOutcomeCase& c : cases)
    {
        CEngineInstruction instruction(c.name, c.value);
        EXPECT_EQ(c.exitCode, RunSetupIn(dist, L"/script")) << c.name << "=" << c.value;
        EXPECT_EQ(L"released", report.Read()[L"SharedObject"]) << c.name << "=" << c.value;
    }
}

// The runtimes are installed before the engine is bound, from packages in
// the engine module: with the runtimes in place, a missing engine is first
// noticed when it is bound.
class EngineMissingMachine : public ::testing::Test
{
protected:
    void SetUp() override { msi.AddRuntimes(); }
    QvTest::CMsiState msi;
    CTestDistribution dist{TempPath(L"QvE2eNoEngine"), false};
};

TEST_F(EngineMissingMachine, ScriptRunWithoutTheEngineEndsWithModuleLoadError)
{
    dist.WriteResponseFile(kResponseFile);
    EXPECT_EQ(0xE6000002u, RunSetupIn(dist, L"/script"));
}

TEST_F(EngineMissingMachine, InteractiveRunShowsTheModuleLoadError)
{
    const QvTest::ProcessResult r = RunSetupProcessIn(dist, L"");
    EXPECT_EQ(0xE6000002u, r.exitCode);
    ASSERT_EQ(1u, r.messageBoxes.size());
    EXPECT_EQ(L"Quorvel", r.messageBoxes[0].title);
    EXPECT_EQ(L"Quorvel", r.messageBoxes[0].owner) << "owned by the start-up window";
    EXPECT_NE(std::wstring::npos, r.messageBoxes[0].text.find(L"QvInstMain.dll"));
}

// The interactive context carries the start-up window and the distribution
// as the setup found it; the root lies three levels above the program.
TEST(EngineInteractiveMachine, SourceRootIsThreeLevelsAboveTheProgram)
{
    if (GetFileAttributesW(L"C:\\dist") != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "C:\\dist exists and is not this test's";
    CTestDistribution dist(L"C:\\dist");
    CEngineReport report(TempPath(L"QvE2eInteractive.report.txt"));
    const QvTest::ProcessResult run = RunSetupProcessIn(dist, L"");
    ASSERT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.messageBoxes.empty()) << "a run that succeeds shows no message box";
    Report r = report.Read();
    const std::wstring programDir = dist.ProgramDir();
    EXPECT_EQ(L"0", r[L"Silent"]) << report.Text();
    EXPECT_EQ(L"present", r[L"Window"]);
    EXPECT_EQ(L"Quorvel", r[L"WindowTitle"]);
    // String 104 in the build's language replaced the first text before the call.
    EXPECT_EQ(L"Inicializando los componentes para instalar...", r[L"WindowText"]);
    EXPECT_EQ(L"es-ES", r[L"Locale"]);
    EXPECT_EQ(programDir, r[L"Source"]);
    EXPECT_EQ(L"C:\\dist\\", r[L"SourceRoot"]);
    EXPECT_EQ(programDir + L"\\failed", r[L"FailedDir"]);
    // Nothing was loaded, yet the response file holds both in memory.
    EXPECT_EQ(L"", r[L"ResponseFile"]);
    EXPECT_EQ(programDir, r[L"Common.Source"]);
    EXPECT_EQ(L"C:\\dist\\", r[L"Common.SourceRoot"]);
    EXPECT_EQ(L"0", r[L"Action.core"]);
    EXPECT_EQ(L"0", r[L"Patches"]);
    EXPECT_EQ(L"released", r[L"SharedObject"]);
}

TEST(EngineInteractiveMachine, EngineErrorIsShownAndBecomesTheExitCode)
{
    CTestDistribution dist(TempPath(L"QvE2eEngine"));
    CEngineReport report(TempPath(L"QvE2eEngine.report.txt"));
    CEngineInstruction raise(L"QVINSTMAIN_RAISE", L"0xE6000003");
    const QvTest::ProcessResult r = RunSetupProcessIn(dist, L"");
    EXPECT_EQ(0xE6000003u, r.exitCode);
    EXPECT_EQ(1u, r.messageBoxes.size());
    EXPECT_EQ(L"released", report.Read()[L"SharedObject"]);
}
} // namespace
