// End-to-end runs of QvSetup.exe as a process in the Wine prefix.
#include "ProcessRunner.h"
#include "TestFiles.h"
#include "TraceConfig.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace
{
QvTest::ProcessResult RunSetupProcess(const std::wstring& arguments)
{
    QvTest::ProcessResult r = QvTest::RunProcess(QvTest::BinDir() + L"QvSetup.exe", arguments);
    EXPECT_TRUE(r.started) << "start error " << r.startError;
    EXPECT_TRUE(r.finished);
    return r;
}

DWORD RunSetup(const std::wstring& arguments)
{
    return RunSetupProcess(arguments).exitCode;
}

// The single-instance event belongs to whoever installs: this program only
// looks for it. While it exists, every non-SCCM run stops with 1618; only an
// interactive run says so in a message box (owned by its start-up window,
// which therefore exists).
TEST(SingleInstanceMachine, EventPresentStopsTheRunWith1618)
{
    const QvBase::CUniqueHandle event(
        CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE,
                     L"Global\\{3B9E6F20-8C41-4E7A-9D25-61F0A4C7B8E3}"));
    ASSERT_TRUE(event);
    struct Case
    {
        const wchar_t* arguments;
        size_t boxes;
    };
    for (const Case& c : {Case{L"/script", 0}, Case{L"", 1}, Case{L"/gp", 1}})
    {
        SCOPED_TRACE(c.arguments);
        const QvTest::ProcessResult r = RunSetupProcess(c.arguments);
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING), r.exitCode);
        ASSERT_EQ(c.boxes, r.messageBoxes.size());
        if (c.boxes != 0)
        {
            EXPECT_EQ(L"Quorvel", r.messageBoxes[0].title);
            EXPECT_FALSE(r.messageBoxes[0].text.empty());
        }
    }
}

// With tracing configured, the run's start is in QvSetup.log: the entry
// context and the version banner with the command line as given.
TEST(SetupTraceMachine, ConfiguredTraceKeyLogsTheStartOfTheRun)
{
    QvTest::CTraceConfig config;
    QvTest::CTempDir dir(L"QvSetupTraceE2e");
    config.TraceSinkInto(L"QvSetup", dir.Path());
    RunSetup(L"/script /x:\"a b\"");
    const std::string log = QvTest::ReadFileBytes(dir / L"QvSetup.log");
    // The context opens the log, the account under which the run goes
    // follows, then the version banner.
    EXPECT_EQ(0u, log.find("wWinMain\r\n{\r\n  Process token:")) << log;
    EXPECT_NE(std::string::npos,
              log.find("\r\n  QvSetup version 5.2.20314.0 compiled at 11:02:51 Mar  7 2022. "
                       "Locale: es-ES. Command line is {/script /x:\"a b\"}\r\n"))
        << log;
    EXPECT_EQ("}\r\n", log.substr(log.size() - 3));
}

// "/?", "-?" and "/help" give the usage and nothing else: an interactive run
// shows it in one box of its own (no start-up window owns it) in the build's
// language, Spanish, with nothing traced but the language, even with other
// options beside it. A script or SCCM run shows nothing. Each ends with 0
// but an SCCM run, which carried out no action: SCCM would read 0 as done.
TEST(UsageMachine, UsageIsAllThatARunDoes)
{
    QvTest::CTraceConfig config;
    QvTest::CTempDir dir(L"QvSetupUsageE2e");
    config.TraceSinkInto(L"QvSetup", dir.Path());
    config.TraceSinkInto(L"QvInstallLib", dir.Path());
    struct Case
    {
        const wchar_t* arguments;
        size_t boxes;
        DWORD exitCode;
    };
    for (const Case& c :
         {Case{L"/?", 1, 0}, Case{L"-?", 1, 0}, Case{L"/HELP", 1, 0}, Case{L"/gp /?", 1, 0},
          Case{L"/script /?", 0, 0}, Case{L"/sccm /install /help", 0, ERROR_INVALID_PARAMETER},
          Case{L"/sccm /?", 0, ERROR_INVALID_PARAMETER}})
    {
        SCOPED_TRACE(c.arguments);
        const QvTest::ProcessResult r = RunSetupProcess(c.arguments);
        EXPECT_EQ(c.exitCode, r.exitCode);
        ASSERT_EQ(c.boxes, r.messageBoxes.size());
        if (c.boxes == 0)
            continue;
        const QvTest::MessageBoxRecord& box = r.messageBoxes[0];
        EXPECT_EQ(L"Quorvel", box.title);
        EXPECT_EQ(L"", box.owner);
        EXPECT_EQ(0u, box.text.find(L"Instalaci\x00f3n del cliente de Quorvel. Opciones:\r\n"))
            << box.text.c_str();
        for (const wchar_t* line :
             {L"\r\n/script\t", L"\r\n/gp\t", L"\r\n/jcsf\t", L"\r\n/source:<dir>\t",
              L"\r\n/sccm /install | /uninstall | /upgrade | /repair | "
              L"/applypatch:<a.msp*b.msp> | /removeallpatches\t",
              L"\r\n/sccm /timeout:<n>\t", L"\r\n/? | -? | /help\t"})
            EXPECT_NE(std::wstring::npos, box.text.find(line)) << line;
    }
    // The sinks open their logs when the process starts; the build's language
    // is the only step taken.
    EXPECT_EQ("", QvTest::ReadFileBytes(dir / L"QvSetup.log"));
    EXPECT_EQ("SetLocale { es-ES}\r\n", QvTest::ReadFileBytes(dir / L"QvInstallLib.log"));
}

// A script or SCCM run has no screen to show the usage on; started with its
// output redirected, it writes the usage there (UTF-8). The command line goes
// without quotes: neither path holds a blank here, and Wine's cmd.exe takes
// quotes after /c differently from Windows'.
TEST(Usage, ScriptAndSccmRunsWriteTheUsageToTheirRedirectedOutput)
{
    QvTest::CTempDir dir(L"QvSetupUsageOut");
    const std::wstring out = dir / L"usage.txt";
    struct Case
    {
        const wchar_t* arguments;
        DWORD exitCode;
    };
    for (const Case& c :
         {Case{L"/script /?", 0}, Case{L"/sccm /repair /?", ERROR_INVALID_PARAMETER}})
    {
        SCOPED_TRACE(c.arguments);
        DeleteFileW(out.c_str());
        const QvTest::ProcessResult r = QvTest::RunProcess(
            L"C:\\windows\\system32\\cmd.exe",
            L"/c " + QvTest::BinDir() + L"QvSetup.exe " + c.arguments + L" > " + out);
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(c.exitCode, r.exitCode) << "cmd.exe ends with the program's code";
        EXPECT_TRUE(r.messageBoxes.empty());
        const std::string text = QvTest::ReadFileBytes(out);
        EXPECT_EQ(0u, text.find("Instalaci\xc3\xb3n del cliente de Quorvel. Opciones:\r\n"))
            << text;
        EXPECT_NE(std::string::npos, text.find("\r\n/script\t")) << text;
    }
}
} // namespace
