// A setup started from a network share copies itself to the temporary
// directory and relaunches from there. Wine hides a UNC start from
// GetModuleFileNameW (it returns "UNC\host\..." without the leading "\\"),
// so the whole relaunch runs from the mapped network drive N: of the test
// prefix; UNC paths are covered by the unit tests of the path handling.
#include "MsiState.h"
#include "ProcessRunner.h"
#include "RedistStandIn.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{
using QvTest::ReadFileBytes;
using QvTest::TempPath;

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// A distribution on the share N:\QvRelaunch with the program, an engine and
// its three language files; the copies in the temporary directory go at the end.
class NetworkRelaunchMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.TraceSinkInto(L"QvSetup", logs.Path(), 0x0101); // keep both runs' lines
        // A script run reads its settings beside the program, on the share.
        dist.WriteResponseFile(L"[Common]\r\nInstalldir=C:\\Quorvel\r\n");
    }
    void TearDown() override
    {
        // A copy started without "gp" runs on alone: let it end first.
        QvTest::WaitForProcessesToEnd(L"QvSetup.exe", 30000);
        for (const wchar_t* name : {L"QvSetup.exe", L"QvInstMain.dll"})
            DeleteFileW(TempPath(name).c_str());
        for (const wchar_t* lang : {L"en-US", L"ru-RU", L"es-ES"})
        {
            DeleteFileW(TempPath(std::wstring(lang) + L"\\QvInstMain.dll.mui").c_str());
            RemoveDirectoryW(TempPath(lang).c_str());
        }
    }

    QvTest::ProcessResult RunFromShare(const std::wstring& arguments)
    {
        return QvTest::RunProcess(share + L"\\QvSetup.exe", arguments);
    }
    std::string Log() { return ReadFileBytes(logs / L"QvSetup.log"); }
    // The banner line of the relaunched copy.
    std::string ChildBanner()
    {
        std::smatch m;
        const std::string log = Log();
        std::regex banner("Command line is \\{([^}]*/source:[^}]*)\\}");
        return std::regex_search(log, m, banner) ? m[1].str() : std::string();
    }

    QvTest::CTestDistribution dist{L"N:\\QvRelaunch"};
    const std::wstring share = dist.ProgramDir();
    QvTest::CTraceConfig config;
    QvTest::CTempDir logs{L"QvRelaunchLogs"};
    QvTest::CEngineReport report{logs / L"engine.txt"};
};

TEST_F(NetworkRelaunchMachine, WithGpTheParentReturnsTheCopysExitCode)
{
    const QvTest::ProcessResult parent = RunFromShare(L"/script /gp /lang:x");
    ASSERT_TRUE(parent.finished);
    EXPECT_NE(std::string::npos, Log().find("Run from network.\r\n"));
    // Two blanks after the closing quote; /lang:x stays behind.
    EXPECT_EQ("/source:\"" + Narrow(share) + "\"  /script /gp", ChildBanner());
    // The copy runs from the temporary directory: that is its local directory.
    std::wstring temp = TempPath(L"");
    temp.pop_back();
    EXPECT_NE(std::string::npos, Log().find("\r\n  " + Narrow(temp) + "\r\n"));
    EXPECT_EQ(ReadFileBytes(share + L"\\QvInstMain.dll"),
              ReadFileBytes(TempPath(L"QvInstMain.dll")));
    EXPECT_EQ(ReadFileBytes(share + L"\\ru-RU\\QvInstMain.dll.mui"),
              ReadFileBytes(TempPath(L"ru-RU\\QvInstMain.dll.mui")));
    // The copy reached the engine with the share as its source: a script
    // run's settings come from the response file there.
    EXPECT_EQ(0u, parent.exitCode);
    EXPECT_EQ(share + L"\\QvInst.rsp", report.Read()[L"ResponseFile"]) << report.Text();

    // The same copy started by hand the same way ends the same way.
    const QvTest::ProcessResult direct =
        QvTest::RunProcess(TempPath(L"QvSetup.exe"), L"/source:\"" + share + L"\"  /script /gp");
    EXPECT_EQ(direct.exitCode, parent.exitCode);
}

TEST_F(NetworkRelaunchMachine, WithoutGpTheParentEndsAtOnceWithZero)
{
    const QvTest::ProcessResult parent = RunFromShare(L"/script /jcsf");
    ASSERT_TRUE(parent.finished);
    EXPECT_EQ(0u, parent.exitCode);
    // The copy goes on alone.
    QvTest::WaitForProcessesToEnd(L"QvSetup.exe", 30000);
    EXPECT_EQ("/source:\"" + Narrow(share) + "\"  /script /jcsf", ChildBanner());
    EXPECT_EQ(L"1", report.Read()[L"Common.jcsf"]) << report.Text();
}

// The copy's command line starts with its path unquoted. With a temporary
// folder "...\Temp Dir" the system once cut that path at the blank and started
// a planted "...\Temp.exe", whose exit code became the setup's.
TEST_F(NetworkRelaunchMachine, TempFolderWithABlankStartsTheCopyNotAPlantedProgram)
{
    QvTest::CTempDir parent(L"QvRelaunchBlank");
    const std::wstring temp = parent / L"Temp Dir";
    ASSERT_TRUE(CreateDirectoryW(temp.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW((QvTest::BinDir() + L"QvRedistStandIn.exe").c_str(),
                          (parent / L"Temp.exe").c_str(), /*failIfExists=*/FALSE));
    QvTest::CRedistStandIn planted(L"Temp.exe");
    planted.ExitCodes(L"4321");
    QvTest::ProcessResult run;
    {
        const QvTest::CTempFolderOfRuns runsTemp(temp);
        run = RunFromShare(L"/script /gp");
    }
    EXPECT_EQ(0u, planted.Runs());
    EXPECT_EQ(0u, run.exitCode);
    // The copy sees the command line it always saw: its own path unquoted
    // (its banner starts after the first blank), then the options.
    const std::string options = "/source:\"" + Narrow(share) + "\"  /script /gp";
    const std::string banner = ChildBanner();
    EXPECT_EQ("Dir\\QvSetup.exe " + options, banner);
    EXPECT_NE(std::string::npos, Log().find("\r\n  " + Narrow(temp) + "\r\n"));
    QvTest::WaitForProcessesToEnd(L"QvSetup.exe", 30000);
}

TEST_F(NetworkRelaunchMachine, MissingLanguageFileStopsBeforeAnyStart)
{
    DeleteFileW((share + L"\\ru-RU\\QvInstMain.dll.mui").c_str());
    const QvTest::ProcessResult parent = RunFromShare(L"/script /gp");
    EXPECT_EQ(2u, parent.exitCode);
    EXPECT_EQ("", ChildBanner());
    EXPECT_NE(std::string::npos, Log().find("W>   Code: 0x00000002\r\n"));
}

TEST_F(NetworkRelaunchMachine, OverlongSourceIsRefusedWith87)
{
    const std::wstring source(600, L'x');
    const QvTest::ProcessResult run =
        QvTest::RunProcess(QvTest::BinDir() + L"QvSetup.exe", L"/script /source:" + source);
    EXPECT_EQ(87u, run.exitCode);
}

// "/source" given by hand on a local run: the engine still comes from the
// program's folder, the context gets the given source, unchanged.
TEST(SourceOptionMachine, GivenSourceReachesTheContext)
{
    QvTest::CTestDistribution dist(L"C:\\QvSourceOptionDist");
    QvTest::CTempDir dir(L"QvSourceOption");
    QvTest::CEngineReport report(dir / L"engine.txt");
    struct Case
    {
        const wchar_t* arguments;
        const wchar_t* source;
    };
    for (const Case& c :
         {Case{L"/source:\"C:\\Given Src\\\"", L"C:\\Given Src\\"}, Case{L"/source:", L""}})
    {
        SCOPED_TRACE(c.arguments);
        const QvTest::ProcessResult run = QvTest::RunProcess(dist.Setup(), c.arguments);
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_EQ(c.source, report.Read()[L"Source"]) << report.Text();
    }
}

// A script run with an empty "/source:" reads the response file of the
// current directory. It once checked that file and read the Windows
// folder's QvInst.rsp instead.
TEST(SourceOptionMachine, EmptySourceReadsTheCurrentDirectorysResponseFile)
{
    QvTest::CTestDistribution dist(L"C:\\QvSourceOptionDist");
    QvTest::CTempDir dir(L"QvSourceOption");
    QvTest::CTempDir current(L"QvSourceOptionCurrent");
    QvTest::CEngineReport report(dir / L"engine.txt");
    QvTest::CMsiState msi;
    msi.AddRuntimes();

    QvTest::ProcessResult run =
        QvTest::RunProcess(dist.Setup(), L"/script /source:", 60000, current.Path().c_str());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), run.exitCode);
    EXPECT_TRUE(report.Read().empty()) << report.Text();

    ASSERT_TRUE(
        QvTest::WriteUtf16File(current / L"QvInst.rsp", L"[Common]\r\nInstalldir=C:\\Here\r\n"));
    run = QvTest::RunProcess(dist.Setup(), L"/script /source:", 60000, current.Path().c_str());
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(current / L"QvInst.rsp", report.Read()[L"ResponseFile"]) << report.Text();
    EXPECT_EQ(L"C:\\Here", report.Read()[L"Common.Installdir"]);
}
} // namespace
