// The install agent as a real service under the Service Control Manager:
// tasks stored before it starts and announced while it runs, real Windows
// Installer work on the client package, a stop in the middle of a wait, and
// each fault the test steering key can cause (Components/QvInstAgent/README.md).
#include "AgentMachine.h"
#include "AgentSteering.h"
#include "ClientProduct.h"
#include "InstallTask.h"
#include "InstallTaskKinds.h"
#include "InstallTaskKeys.h"
#include "InstallTaskResult.h"
#include "InstallerService.h"
#include "MachineStaysUp.h"
#include "ProcessRunner.h"
#include "ProductQueries.h"
#include "RegistryState.h"
#include "ServiceControl.h"
#include "ServiceStartStop.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TestService.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kServiceName = L"QvInstAgentE2e";
constexpr const wchar_t* kAgentDir = L"C:\\QvE2eAgent";
// Without spaces: Wine registers a package's service with an unquoted path.
constexpr const wchar_t* kInstallDir = L"C:\\QvE2eAgentClient";
constexpr const wchar_t* kDistribution = L"C:\\QvE2eAgentDist";
constexpr int kTimeout = 720;
constexpr DWORD kResultWaitMs = 60000;

bool HasResult(const std::wstring& id)
{
    const std::optional<CStoredTask> task = FindStoredTask(id);
    return task && task->hasResult;
}

DWORD TryCount(const std::wstring& id)
{
    DWORD count = 0;
    ReadRawDword(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id), kTaskTryCountValue, count);
    return count;
}

// What the setup side does with a running agent: store the task, announce
// it, wait for its running event and read the result.
std::shared_ptr<CInstallTaskResult> Announce(CCommonInstallTask& task)
{
    task.Store();
    task.Run();
    task.Wait(static_cast<int>(kResultWaitMs));
    return task.GetResult();
}

// As the SCCM job polls: until "error" is not empty.
std::wstring WaitForResultText(const std::wstring& id, DWORD timeoutMs = kResultWaitMs)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += 100)
    {
        const std::wstring text = ReadStoredResult(id);
        if (!text.empty())
            return text;
        Sleep(100);
    }
    return std::wstring();
}

std::wstring WindowsTemp()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp";
}

// True once no process runs from the folder any more.
bool NothingRunsFrom(const std::wstring& folder, DWORD timeoutMs)
{
    for (const ULONGLONG deadline = GetTickCount64() + timeoutMs;; Sleep(100))
    {
        if (ProcessesRunningFrom(folder).empty())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
    }
}

class InstallAgentMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.IsUp());
        CreateDirectoryW(kAgentDir, nullptr);
        const std::wstring agent = std::wstring(kAgentDir) + L"\\QvInstAgent.exe";
        ASSERT_TRUE(CopyFileW((BinDir() + L"QvInstAgent.exe").c_str(), agent.c_str(), FALSE));
        ASSERT_EQ(0u, RegisterInstallerService(agent.c_str(), SERVICE_DEMAND_START, kServiceName,
                                               kServiceName));
        ASSERT_TRUE(service.Exists());
    }
    void TearDown() override
    {
        service.Remove();
        RemoveTree(kAgentDir);
        distribution.reset();
    }

    template <typename Task, typename... Args> std::shared_ptr<Task> Make(Args&&... args)
    {
        return std::make_shared<Task>(std::forward<Args>(args)...);
    }
    void Start(const wchar_t* name = kServiceName) { ASSERT_EQ(0u, StartDriver(name, 30000, {})); }
    // The distribution an SCCM install hands over: the response file in the
    // task's source names the distribution root, which carries the package.
    std::wstring MakeDistribution(const std::wstring& locale)
    {
        distribution = std::make_unique<CTestDistribution>(kDistribution, /*withEngine=*/false);
        EXPECT_TRUE(distribution->AddAgentAndPackage());
        distribution->WriteRootResponseFile(std::wstring(L"[Common]\r\nSource=") + kDistribution +
                                            L"\r\nInstalldir=" + kInstallDir + L"\r\nlocale=" +
                                            locale + L"\r\n");
        return kDistribution;
    }

    // Services live on across the test's steps, as on a real machine.
    CMachineStaysUp machine;
    // What a test left (or one that hung and was ended): the product, the
    // agent services, stored tasks and steering go at the start and the end.
    CAgentMachineCleanup cleanup{kInstallDir, {kServiceName}};
    CAgentSteering steering;
    std::unique_ptr<CTestDistribution> distribution;
    CTestService service{kServiceName};
    // The product's own service, removed with the product or here.
    CTestService productService{kClientServiceName};
};

TEST_F(InstallAgentMachine, StoredInstallTaskIsTakenUpAtStart)
{
    auto task = Make<CInstallTask>(MakeDistribution(L"es-ES"), kTimeout);
    task->Store();
    Start();
    const std::wstring text = WaitForResultText(task->GetId());
    ASSERT_FALSE(text.empty()) << "no result within the time";
    const CInstallTaskResult result(text);
    EXPECT_EQ(0, result.code) << text.c_str();
    EXPECT_EQ(1, result.op);
    EXPECT_FALSE(result.description.empty());
    EXPECT_TRUE(HasResult(task->GetId()));
    EXPECT_EQ(1u, TryCount(task->GetId()));

    EXPECT_TRUE(IsProductInstalled());
    EXPECT_EQ(L"es-ES", GetInstalledProductLocale()) << "the task's locale";
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvClient.txt")) << "Installdir";
}

TEST_F(InstallAgentMachine, AnnouncedRepairAndUninstallOfTheInstalledProduct)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"ru-RU"));
    Start();
    const std::wstring note = std::wstring(kInstallDir) + L"\\QvClient.txt";
    ASSERT_TRUE(DeleteFileW(note.c_str()));

    auto repair = Make<CRepairTask>(kTimeout);
    const std::shared_ptr<CInstallTaskResult> repaired = Announce(*repair);
    EXPECT_EQ(0, repaired->code) << repaired->text.c_str();
    EXPECT_EQ(2, repaired->op);
    EXPECT_TRUE(FileExists(note)) << "the repair put the file back";

    auto uninstall = Make<CUninstallTask>(kTimeout);
    const std::shared_ptr<CInstallTaskResult> removed = Announce(*uninstall);
    EXPECT_EQ(0, removed->code) << removed->text.c_str();
    EXPECT_FALSE(IsProductInstalled());
    EXPECT_FALSE(productService.Exists());

    // Nothing left to act on: Windows Installer's "unknown product".
    auto again = Make<CRepairTask>(kTimeout);
    const std::shared_ptr<CInstallTaskResult> unknown = Announce(*again);
    EXPECT_EQ(static_cast<int>(ERROR_UNKNOWN_PRODUCT), unknown->code);
}

TEST_F(InstallAgentMachine, PatchThatIsNoPatchGetsTheInstallersCodeInItsChild)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"ru-RU"));
    const std::wstring notAPatch = std::wstring(kAgentDir) + L"\\not-a-patch.msp";
    WriteUtf16File(notAPatch, L"not a patch");
    auto task = Make<CApplyRemovePatchesTask>(100, TaskPatchList{notAPatch}, kTimeout);
    task->Store();
    Start();
    const std::wstring text = WaitForResultText(task->GetId());
    ASSERT_FALSE(text.empty());
    const CPatchInstallTaskResult result(text);
    ASSERT_EQ(1u, result.patches.size()) << text.c_str();
    EXPECT_EQ(notAPatch, result.patches.front().path);
    EXPECT_NE(0, result.patches.front().code);
    EXPECT_FALSE(result.patches.front().description.empty());
    EXPECT_EQ(result.patches.front().code, result.code) << "the first failing patch's code";
    EXPECT_EQ(100, result.op);
}

TEST_F(InstallAgentMachine, StopInTheMiddleOfADelayLeavesTheTaskForTheNextStart)
{
    steering.DelayEachTask(600000);
    steering.ForceResult(TaskUninstall, 0);
    auto task = Make<CUninstallTask>(kTimeout);
    task->Store();
    Start();
    Sleep(1000);
    const DWORD started = GetTickCount();
    EXPECT_EQ(0u, StopDriver(kServiceName, 30000));
    EXPECT_LT(GetTickCount() - started, 10000u) << "the stop ends the wait";
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State());
    EXPECT_FALSE(HasResult(task->GetId()));
    EXPECT_TRUE(ReadStoredResult(task->GetId()).empty());

    steering.DelayEachTask(0);
    Start();
    const std::wstring text = WaitForResultText(task->GetId());
    ASSERT_FALSE(text.empty()) << "taken up at the next start";
    EXPECT_EQ(0, CInstallTaskResult(text).code);
}

TEST_F(InstallAgentMachine, ForcedCodePerTaskType)
{
    steering.ForceResult(TaskRepair, ERROR_INSTALL_ALREADY_RUNNING);
    auto repair = Make<CRepairTask>(kTimeout);
    repair->Store();
    Start();
    const std::wstring text = WaitForResultText(repair->GetId());
    EXPECT_EQ(static_cast<int>(ERROR_INSTALL_ALREADY_RUNNING), CInstallTaskResult(text).code);
    EXPECT_EQ(2, CInstallTaskResult(text).op);
}

// The service starts each task from its copy in the Windows temp folder.
// Without it no task process can start: the task still gets a result, with
// the reason, so that a setup program waiting for it does not wait for ever.
TEST_F(InstallAgentMachine, TaskWhoseProcessCannotStartGetsTheReasonAsItsResult)
{
    Start();
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle agent(
        OpenServiceW(manager.Get(), kServiceName, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status = {};
    DWORD size = 0;
    ASSERT_TRUE(QueryServiceStatusEx(agent.Get(), SC_STATUS_PROCESS_INFO,
                                     reinterpret_cast<BYTE*>(&status), sizeof status, &size));
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring image = std::wstring(windows) + L"\\Temp\\QvInstAgent." +
                               std::to_wstring(status.dwProcessId) + L".exe";
    ASSERT_TRUE(DeleteFileW(image.c_str())) << "the service's task image";

    auto repair = Make<CRepairTask>(kTimeout);
    const std::shared_ptr<CInstallTaskResult> result = Announce(*repair);
    EXPECT_EQ(static_cast<int>(ERROR_FILE_NOT_FOUND), result->code) << result->text.c_str();
    EXPECT_EQ(2, result->op);
}

TEST_F(InstallAgentMachine, NeverAnswersLoadsTheTaskButWritesNoResult)
{
    steering.NeverAnswer();
    auto task = Make<CRepairTask>(kTimeout);
    task->Store();
    Start();
    for (int i = 0; i < 100 && TryCount(task->GetId()) == 0; ++i)
        Sleep(100);
    EXPECT_EQ(1u, TryCount(task->GetId())) << "the task was loaded";
    EXPECT_TRUE(WaitForResultText(task->GetId(), 2000).empty());
    EXPECT_FALSE(HasResult(task->GetId()));
}

TEST_F(InstallAgentMachine, ResultWithoutDocumentElementFailsToParse)
{
    steering.AnswerWithoutDocumentElement();
    auto task = Make<CRepairTask>(kTimeout);
    task->Store();
    Start();
    const std::wstring text = WaitForResultText(task->GetId());
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(HasResult(task->GetId()));
    bool failed = false;
    try
    {
        CInstallTaskResult result(text);
    }
    catch (...)
    {
        failed = true;
    }
    EXPECT_TRUE(failed) << text.c_str();
}

TEST_F(InstallAgentMachine, ProcessEndingInTheMiddleOfATaskLeavesItForTheNextStart)
{
    steering.EndServiceMidTask();
    steering.ForceResult(TaskRepair, 0);
    auto task = Make<CRepairTask>(kTimeout);
    task->Store();
    Start();
    if (RunsUnderWine())
    {
        // Wine's Service Control Manager notices the end of a service
        // process only a minute or more later and reports it running until
        // then: see the process end instead, and leave the restart to Windows.
        EXPECT_TRUE(WaitForProcessesToEnd(L"QvInstAgent.exe", 30000));
        EXPECT_FALSE(HasResult(task->GetId()));
        EXPECT_EQ(0u, TryCount(task->GetId())) << "its work had not begun";
        return;
    }
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 30000));
    EXPECT_FALSE(HasResult(task->GetId()));

    steering.StopEndingMidTask();
    Start();
    EXPECT_FALSE(WaitForResultText(task->GetId()).empty());
}

// The hard case: the product's own service uninstalls the product, which
// stops and deletes that very service. No deadlock, and the result arrives.
TEST_F(InstallAgentMachine, ProductServiceUninstallsItsOwnProduct)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir, L"ru-RU"));
    ASSERT_TRUE(productService.Exists());
    auto task = Make<CUninstallTask>(kTimeout);
    task->Store();
    Start(kClientServiceName);
    const std::wstring text = WaitForResultText(task->GetId());
    ASSERT_FALSE(text.empty()) << "the result is written although the service went away";
    EXPECT_EQ(0, CInstallTaskResult(text).code) << text.c_str();
    EXPECT_FALSE(IsProductInstalled());
    EXPECT_TRUE(productService.WaitForState(0, 30000)) << "the service entry is gone";
    EXPECT_FALSE(FileExists(std::wstring(kInstallDir) + L"\\QvInstAgent.exe"));
}
// A leftover uninstall must not run after a newer install: stored tasks are
// taken up oldest first, whatever order the task key lists them in.
TEST_F(InstallAgentMachine, StoredTasksAreTakenUpOldestFirst)
{
    std::shared_ptr<CUninstallTask> older;
    std::shared_ptr<CInstallTask> newer;
    do
    {
        older = Make<CUninstallTask>(kTimeout);
        Sleep(20); // a creation time of its own
        newer = Make<CInstallTask>(MakeDistribution(L"ru-RU"), kTimeout);
    } while (older->GetId() < newer->GetId()); // the key lists the newer one first
    older->Store();
    newer->Store();
    Start();
    const std::wstring installed = WaitForResultText(newer->GetId());
    const std::wstring uninstalled = WaitForResultText(older->GetId());
    ASSERT_FALSE(installed.empty());
    ASSERT_FALSE(uninstalled.empty());
    EXPECT_EQ(static_cast<int>(ERROR_UNKNOWN_PRODUCT), CInstallTaskResult(uninstalled).code)
        << "the uninstall ran first, on a machine without the product";
    EXPECT_EQ(0, CInstallTaskResult(installed).code) << installed.c_str();
    EXPECT_TRUE(IsProductInstalled());
}

// The SCCM install job retires its agent's entry when the job is over: the
// agent finishes the task in hand, reports itself stopped and ends, so that
// the entry really goes. The job's Finalize disables the entry, then deletes
// it; either alone is enough.
TEST_F(InstallAgentMachine, ARetiredEntryEndsTheAgentAfterTheTaskInHand)
{
    steering.DelayEachTask(2000);
    steering.ForceResult(TaskRepair, 0);
    auto repair = Make<CRepairTask>(kTimeout);
    repair->Store();
    Start();
    Sleep(500); // taken up, and waiting out its delay
    EXPECT_EQ(0u, DeleteDriver(kServiceName));
    const std::wstring text = WaitForResultText(repair->GetId());
    EXPECT_EQ(0, CInstallTaskResult(text).code) << "the task in hand is finished";
    EXPECT_TRUE(service.WaitForState(0, 15000)) << "the entry is gone";
    EXPECT_TRUE(NothingRunsFrom(kAgentDir, 5000));
}

TEST_F(InstallAgentMachine, ADisabledEntryEndsTheIdleAgent)
{
    Start();
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle agent(
        OpenServiceW(manager.Get(), kServiceName, SERVICE_CHANGE_CONFIG));
    ASSERT_TRUE(ChangeServiceConfigW(agent.Get(), SERVICE_NO_CHANGE, SERVICE_DISABLED,
                                     SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr));
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 15000));
    EXPECT_TRUE(NothingRunsFrom(kAgentDir, 5000));
}

// On the section transport the result lives in a section that ends with its
// last handle: the agent keeps it until the setup side has let go of the
// task, so a setup side that reads late still finds it.
TEST_F(InstallAgentMachine, ASectionResultWaitsForTheSetupSide)
{
    steering.ForceResult(TaskRepair, ERROR_SUCCESS_REBOOT_REQUIRED);
    Start();
    auto repair = Make<CRepairTask>(kTimeout);
    repair->SetRegistryBacked(false);
    repair->Store();
    repair->Run();
    QvBase::CUniqueHandle running(
        OpenEventW(SYNCHRONIZE, FALSE, repair->GetRunningEventName().c_str()));
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(running.Get(), kResultWaitMs));
    running.Reset();
    Sleep(3000); // the agent's task process has long finished its work
    repair->Wait(kResultWaitMs);
    EXPECT_EQ(static_cast<int>(ERROR_SUCCESS_REBOOT_REQUIRED), repair->GetResultCode());

    // Once the setup side lets go, the task process ends.
    repair.reset();
    EXPECT_TRUE(NothingRunsFrom(WindowsTemp(), 10000));
}
} // namespace
