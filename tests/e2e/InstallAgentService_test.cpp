// QvInstAgent.exe as a real service under the Service Control Manager: it
// runs under the name it was started as, offers the agent's named objects to
// an administrator and stops at once from its wait for an announcement.
#include "ProcessRunner.h"
#include "TestFiles.h"
#include "TestService.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kServiceName = L"QvInstAgentE2e";
constexpr const wchar_t* kAgentDir = L"C:\\QvE2eAgentService";

std::wstring AgentLogPath()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp\\QvInstAgent.log";
}

class InstallAgentServiceMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryW(kAgentDir, nullptr);
        ASSERT_TRUE(CopyFileW((BinDir() + L"QvInstAgent.exe").c_str(), agent.c_str(), FALSE));
        ASSERT_EQ(0u, service.Register(kServiceName, L"\"" + agent + L"\""));
    }
    void TearDown() override
    {
        service.Remove();
        RemoveTree(kAgentDir);
    }

    const std::wstring agent = std::wstring(kAgentDir) + L"\\QvInstAgent.exe";
    CTestService service{kServiceName};
};

TEST_F(InstallAgentServiceMachine, OffersItsObjectsAndStopsFromItsWait)
{
    const size_t logBefore = ReadFileBytes(AgentLogPath()).size();
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 30000));

    // What the setup program opens, with full access, as an administrator.
    QvBase::CUniqueHandle ready(
        OpenEventW(EVENT_ALL_ACCESS, FALSE, L"Global\\InstallerReadyEvent"));
    ASSERT_TRUE(ready.IsValid()) << GetLastError();
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready.Get(), 5000)) << "set once ready";
    QvBase::CUniqueHandle newTask(
        OpenEventW(EVENT_ALL_ACCESS, FALSE, L"Global\\NewInstallTaskEvent"));
    EXPECT_TRUE(newTask.IsValid()) << GetLastError();
    QvBase::CUniqueHandle section(
        OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, L"Global\\NewInstallTaskMap"));
    ASSERT_TRUE(section.IsValid()) << GetLastError();
    QvBase::CUniqueView view(MapViewOfFile(section.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 82));
    EXPECT_TRUE(view.IsValid()) << "room for a record with a 38-character id";
    view.Reset();

    const DWORD stopStarted = GetTickCount();
    service.Remove();
    EXPECT_LT(GetTickCount() - stopStarted, 10000u) << "the stop ends the wait at once";
    EXPECT_FALSE(service.Exists());

    const std::string log = ReadFileBytes(AgentLogPath()).substr(logBefore);
    EXPECT_NE(std::string::npos, log.find("QvInstAgentE2e: running")) << log;
    EXPECT_NE(std::string::npos, log.find("QvInstAgentE2e: stop requested")) << log;
    EXPECT_NE(std::string::npos, log.find("QvInstAgentE2e: stopped")) << log;
}

TEST_F(InstallAgentServiceMachine, StartedByHandIsNoService)
{
    const ProcessResult run = RunProcess(agent, L"", 30000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FAILED_SERVICE_CONTROLLER_CONNECT), run.exitCode);
}
} // namespace
