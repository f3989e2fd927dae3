// The runtime redistributables installed on a worker thread before the
// engine: an unsupported system, and the start-up window answering while a
// package runs.
#include "ProcessRunner.h"
#include "RedistStandIn.h"
#include "RegistryState.h"
#include "TestDistribution.h"
#include "TraceConfig.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <thread>

namespace
{
using QvTest::CTestDistribution;

constexpr const wchar_t* kAppDefaults = L"Software\\Wine\\AppDefaults\\QvSetup.exe";

class RuntimeWorkerMachine : public ::testing::Test
{
protected:
    void SetUp() override { config.TraceSinkInto(L"QvSetup", logs.Path()); }
    std::string Log() { return QvTest::ReadFileBytes(logs / L"QvSetup.log"); }

    QvTest::CTraceConfig config;
    QvTest::CTempDir logs{L"QvRuntimeWorkerLogs"};
    CTestDistribution dist{L"C:\\QvRuntimeWorkerDist"};
    QvTest::CKeyBackup appDefaults{HKEY_CURRENT_USER, kAppDefaults};
    QvTest::CRedistStandIn standIn{L"vcredist_x64.exe"};
};

// Windows 8 without its update is not supported. Under Wine a program can be
// shown another Windows version through its application defaults.
TEST_F(RuntimeWorkerMachine, UnsupportedSystemEndsWith129)
{
    if (!QvTest::RunsUnderWine())
        GTEST_SKIP() << "the Windows version can be switched only under Wine";
    QvTest::WriteString(HKEY_CURRENT_USER, kAppDefaults, L"Version", L"win8");

    const QvTest::ProcessResult script = QvTest::RunProcess(dist.Setup(), L"/script");
    EXPECT_EQ(129u, script.exitCode);
    EXPECT_TRUE(script.messageBoxes.empty());
    const std::string log = Log();
    // The worker's line with the place of the error, then the entry point's dump.
    const size_t worker = log.find("W>    No se pudo instalar el componente.\r\n");
    EXPECT_NE(std::string::npos, worker) << log;
    EXPECT_NE(std::string::npos, log.find("RuntimeWorker.cpp:", worker)) << log;
    EXPECT_NE(std::string::npos, log.find("W>   Code: 0x00000081\r\n", worker)) << log;

    const QvTest::ProcessResult interactive = QvTest::RunProcess(dist.Setup(), L"");
    EXPECT_EQ(129u, interactive.exitCode);
    ASSERT_EQ(1u, interactive.messageBoxes.size());
    EXPECT_EQ(
        0u, interactive.messageBoxes[0].text.find(L"No se pudo instalar el componente.\r\n"
                                                  L"La versi\x00F3n actual del sistema operativo"));
}

// Finds the start-up window of a process: a dialog captioned "Quorvel".
HWND FindStartupWindow(DWORD processId)
{
    for (HWND window = FindWindowW(L"#32770", L"Quorvel"); window != nullptr;
         window = FindWindowExW(nullptr, window, L"#32770", L"Quorvel"))
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId || processId == 0)
            return window;
    }
    return nullptr;
}

TEST_F(RuntimeWorkerMachine, WindowAnswersWhileThePackageRuns)
{
    const wchar_t* hold = L"Global\\QvTest.RuntimeHold";
    const QvBase::CUniqueHandle release(
        CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, hold));
    ASSERT_TRUE(release);
    standIn.HoldEvent(hold);

    QvTest::ProcessResult run;
    std::thread setup([&] { run = QvTest::RunProcess(dist.Setup(), L""); });
    // Lets the package go and waits for the run, also when an assertion
    // ends the test early.
    struct CReleaseAtEnd
    {
        HANDLE event;
        std::thread& thread;
        ~CReleaseAtEnd()
        {
            SetEvent(event);
            if (thread.joinable())
                thread.join();
        }
    } releaseAtEnd{release.Get(), setup};
    DWORD runs = 0;
    for (int i = 0; i < 200 && runs == 0; ++i)
    {
        Sleep(50);
        runs = standIn.Runs();
    }
    ASSERT_EQ(1u, runs) << "the package did not start";

    // The package holds the worker; the main thread must still serve its window.
    const HWND window = FindStartupWindow(0);
    ASSERT_NE(nullptr, window);
    DWORD_PTR answer = 0;
    EXPECT_NE(0, SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_TRUE(SetWindowPos(window, nullptr, 17, 23, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(17, rect.left);
    EXPECT_EQ(23, rect.top);

    SetEvent(release.Get());
    setup.join();
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_TRUE(run.messageBoxes.empty());
}
} // namespace
