// End-to-end runs of QvSetup.exe as a process in the Wine prefix.
#include "ProcessRunner.h"
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
} // namespace
