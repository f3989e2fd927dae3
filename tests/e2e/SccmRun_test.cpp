// End-to-end runs of the SCCM mode: QvSetup.exe /sccm with an action, from a
// distribution laid out as the product ships it (the response file at the
// distribution root, the program, the agent and the package QvClient.msi in
// setup\client\x64), against the real install agent service and real Windows
// Installer work, on a machine that stays up across the runs as a real one
// does between deployments.
#include "AgentMachine.h"
#include "ClientProduct.h"
#include "InstallTaskNames.h"
#include "MachineStaysUp.h"
#include "PendingDeletions.h"
#include "ProcessRunner.h"
#include "ProductQueries.h"
#include "QvSrvClass.h"
#include "RegistryState.h"
#include "ServiceStartStop.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TraceConfig.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kDistRoot = L"C:\\QvSccmDist";
// Without spaces: Wine registers a package's service with an unquoted path.
constexpr const wchar_t* kInstallDir = L"C:\\QvSccmClient";
constexpr const wchar_t* kSrvApiKey = L"Software\\QvTest\\QvSrvApi";
constexpr DWORD kRunTimeoutMs = 120000;
// An SCCM job's own agent ends within a few seconds of the job; this leaves
// room for a loaded machine.
constexpr DWORD kLeftoverWaitMs = 20000;
constexpr const wchar_t* kResponseFile = L"[Common]\r\nSource=.\r\nInstalldir=C:\\QvSccmClient\r\n"
                                         L"locale=ru-RU\r\n";

std::wstring WindowsTemp()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\TEMP";
}

std::wstring ReadTaskXml(const std::wstring& id)
{
    std::wstring xml;
    ReadRawString(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id), kTaskXmlValue, xml);
    return xml;
}

// The value of an attribute in a task's XML text.
std::wstring Attribute(const std::wstring& xml, const std::wstring& name)
{
    const std::wstring opener = L" " + name + L"=\"";
    const size_t start = xml.find(opener);
    if (start == std::wstring::npos)
        return std::wstring();
    const size_t from = start + opener.size();
    return xml.substr(from, xml.find(L'"', from) - from);
}

std::wstring CopiedSource(const std::wstring& folder)
{
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Common", L"Source", L"", value, MAX_PATH,
                             (folder + L"\\QvInst.rsp").c_str());
    return value;
}

// The state the Service Control Manager reports; 0 when there is no entry.
DWORD ServiceState(const wchar_t* name)
{
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

// Nothing of an SCCM job lives on after it: no QvInstAgent_sccm entry and no
// process running from the Windows TEMP folder, a few seconds after the run.
::testing::AssertionResult NothingOfTheJobRunsOn()
{
    for (const ULONGLONG deadline = GetTickCount64() + kLeftoverWaitMs;; Sleep(200))
    {
        const DWORD agent = ServiceState(kSccmAgentServiceName);
        const std::vector<std::wstring> running = ProcessesRunningFrom(WindowsTemp());
        if (agent == 0 && running.empty())
            return ::testing::AssertionSuccess();
        if (GetTickCount64() < deadline)
            continue;
        ::testing::AssertionResult failure = ::testing::AssertionFailure();
        if (agent != 0)
            failure << kSccmAgentServiceName << " is still there in state " << agent << "; ";
        for (const std::wstring& image : running)
            failure << "still running: " << image << "; ";
        return failure;
    }
}

class SccmRunMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(machine.IsUp());
        ASSERT_TRUE(dist.AddAgentAndPackage());
        dist.WriteRootResponseFile(kResponseFile);
        // Every run of the test appends to the one log of each sink.
        config.TraceSinkInto(L"QvSetup", logs.Path(), /*params=*/0x0101);
        config.TraceSinkInto(L"QvInstallLib", logs.Path(), /*params=*/0x0101);
    }

    static ProcessResult RunSccmFrom(const CTestDistribution& from, const std::wstring& arguments,
                                     DWORD timeoutMs = kRunTimeoutMs)
    {
        ProcessResult r = RunProcess(from.Setup(), arguments, timeoutMs);
        EXPECT_TRUE(r.started) << "start error " << r.startError;
        EXPECT_TRUE(r.messageBoxes.empty()) << "the SCCM mode shows nothing";
        return r;
    }
    ProcessResult RunSccm(const std::wstring& arguments, DWORD timeoutMs = kRunTimeoutMs)
    {
        return RunSccmFrom(dist, arguments, timeoutMs);
    }
    DWORD Sccm(const std::wstring& arguments)
    {
        const ProcessResult r = RunSccm(arguments);
        EXPECT_TRUE(r.finished);
        return r.exitCode;
    }
    std::set<std::wstring> NewTaskIds() const { return cleanup.NewTaskIds(); }
    std::string Log() const { return ReadFileBytes(logs / L"QvSetup.log"); }
    std::string LibraryLog() const { return ReadFileBytes(logs / L"QvInstallLib.log"); }
    static void Steer(const wchar_t* name, DWORD value)
    {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kAgentSteeringKey, name, REG_DWORD, &value,
                        sizeof value);
    }

    // Services live on across the runs, as on a real machine.
    CMachineStaysUp machine;
    // Whatever a run left goes at the start and at the end, however the test
    // ends: product, agent services, stored tasks, steering.
    CAgentMachineCleanup cleanup{kInstallDir};
    CTestDistribution dist{kDistRoot, /*withEngine=*/false};
    CTraceConfig config;
    CTempDir logs{L"QvSccmLogs"};
    CKeyBackup srvApi{HKEY_CURRENT_USER, kSrvApiKey};
    CPendingDeletions pending;
};

TEST_F(SccmRunMachine, InstallOnACleanMachineInstallsThroughAnAgentOfItsOwn)
{
    EXPECT_EQ(0u, Sccm(L"/SCCM /INSTALL"));
    EXPECT_TRUE(IsProductInstalled());
    EXPECT_EQ(L"ru-RU", GetInstalledProductLocale());
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvClient.txt"));
    EXPECT_TRUE(NothingOfTheJobRunsOn()) << "Finalize retires the agent's service; the agent ends";

    // One task, whose source is the agent's folder under the Windows
    // directory's TEMP, with the agent and the response file copied there.
    const std::set<std::wstring> ids = NewTaskIds();
    ASSERT_EQ(1u, ids.size());
    const std::wstring source = Attribute(ReadTaskXml(*ids.begin()), L"source");
    EXPECT_EQ(0u, source.find(WindowsTemp() + L"\\{")) << source.c_str();
    EXPECT_TRUE(FileExists(source + L"\\QvInstAgent.exe"));
    EXPECT_EQ(L"c:\\qvsccmdist\\", CopiedSource(source)) << "\".\" became the distribution root";
    // The copies stay until the next restart, and then go with their folder.
    for (const wchar_t* file : {L"QvInstAgent.exe", L"QvInst.rsp"})
        EXPECT_TRUE(pending.FolderGoesAfter(source, source + L"\\" + file)) << file;

    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Task 1 finished with result 0 (")) << log;
}

TEST_F(SccmRunMachine, ActionsThatDoNotFitTheMachineStopBeforeAnything)
{
    struct Case
    {
        const wchar_t* arguments;
        DWORD exitCode;
    } cases[] = {
        {L"/sccm", ERROR_INVALID_PARAMETER},
        {L"/sccm /uninstall", ERROR_NOT_FOUND},
        {L"/sccm /repair", ERROR_NOT_FOUND},
        {L"/sccm /upgrade", ERROR_NOT_FOUND},
        {L"/sccm /applypatch:a.msp*b.msp", ERROR_NOT_FOUND},
        {L"/sccm /removeallpatches", ERROR_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(c.exitCode, Sccm(c.arguments));
    }
    EXPECT_TRUE(NewTaskIds().empty()) << "nothing stored";
    EXPECT_EQ(0u, ServiceState(kSccmAgentServiceName)) << "nothing registered";

    ASSERT_EQ(0u, InstallClient(kInstallDir));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), Sccm(L"/sccm /install"));
    EXPECT_TRUE(NewTaskIds().empty());
    EXPECT_EQ(0u, ServiceState(kSccmAgentServiceName));
}

TEST_F(SccmRunMachine, RepairUninstallAndTheAgentsCodesThroughTheProductsAgent)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir));
    const std::wstring note = std::wstring(kInstallDir) + L"\\QvClient.txt";
    ASSERT_TRUE(DeleteFileW(note.c_str()));
    // The product's agent is stopped: the job starts it, and the poll waits.
    EXPECT_EQ(0u, Sccm(L"/sccm /repair"));
    EXPECT_TRUE(FileExists(note)) << "the repair put the file back";

    // The agent runs now: the task is announced to it.
    ASSERT_EQ(0u, StartDriver(kAgentServiceName, 30000, {}));
    Steer(L"Result2", ERROR_INSTALL_FAILURE);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_FAILURE), Sccm(L"/sccm /repair"));
    Steer(L"Result2", ERROR_SUCCESS_REBOOT_REQUIRED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED), Sccm(L"/sccm /repair"));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAgentSteeringKey);

    EXPECT_EQ(0u, Sccm(L"/sccm /uninstall"));
    EXPECT_FALSE(IsProductInstalled());
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Task 2 finished with result 1603 (")) << log;
    EXPECT_NE(std::string::npos, log.find("Task 3 finished with result 0 (")) << log;
}

TEST_F(SccmRunMachine, AdministratorPinRefusesUninstallAndAllowsRepair)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir));
    WriteDword(HKEY_CURRENT_USER, kSrvApiKey, L"ProtectionState", QvSrvStateAdminPinOn);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), Sccm(L"/sccm /uninstall"));
    EXPECT_EQ(0u, Sccm(L"/sccm /repair"));
    EXPECT_TRUE(IsProductInstalled());
}

TEST_F(SccmRunMachine, AResultWithoutADocumentElementSkipsFinalize)
{
    Steer(L"NoDocumentElement", 1);
    const DWORD code = Sccm(L"/sccm /install");
    EXPECT_EQ(0xE6060001u, code) << "the COM error, translated";
    EXPECT_NE(0u, ServiceState(kSccmAgentServiceName)) << "no Finalize: the service stays";
}

TEST_F(SccmRunMachine, AnAgentThatNeverAnswersIsPolledUntilTheRunEnds)
{
    Steer(L"NeverAnswer", 1);
    const ProcessResult r = RunSccm(L"/sccm /install", /*timeoutMs=*/8000);
    EXPECT_FALSE(r.finished) << "the poll has no upper bound";
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("QvSetup alive count: 0")) << log;
    EXPECT_NE(std::string::npos, log.find("QvSetup alive count: 1")) << log;
}
// Announcements share one event and one record: of two tasks announced
// while a third runs, only the last is read. The agent looks at the stored
// tasks after each task, and so the other is taken up all the same. Nothing
// keeps two SCCM runs apart (the single-instance check is not made in SCCM
// mode), and each must end with its own result.
TEST_F(SccmRunMachine, TwoRunsAnnouncedWhileAThirdRunsAllEndWithTheirResults)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir));
    ASSERT_EQ(0u, StartDriver(kAgentServiceName, 30000, {}));
    Steer(L"DelayMs", 3000);
    Steer(L"Result2", ERROR_SUCCESS);

    std::vector<QvBase::CUniqueHandle> runs;
    runs.push_back(StartProcess(dist.Setup(), L"/sccm /repair"));
    for (int i = 0; i < 300 && NewTaskIds().empty(); ++i)
        Sleep(20);
    Sleep(1000); // the first task is taken up and waits out its delay
    runs.push_back(StartProcess(dist.Setup(), L"/sccm /repair"));
    runs.push_back(StartProcess(dist.Setup(), L"/sccm /repair"));
    for (const QvBase::CUniqueHandle& run : runs)
    {
        ASSERT_TRUE(run.IsValid());
        const ProcessResult r = AwaitProcess(run.Get(), kRunTimeoutMs);
        EXPECT_TRUE(r.finished) << "a run waits for a result nobody writes";
        EXPECT_EQ(0u, r.exitCode);
    }
    const std::set<std::wstring> ids = NewTaskIds();
    EXPECT_EQ(3u, ids.size());
    for (const std::wstring& id : ids)
    {
        DWORD result = 1;
        EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id), kTaskResultValue, result))
            << id.c_str();
        EXPECT_EQ(0u, result);
    }
}

// The job writes the distribution root into the copied response file. An
// administrator's file is usually saved in the ANSI code page, which cannot
// hold a Cyrillic or CJK root on an English Windows: the copy becomes UTF-16
// rather than take "c:\???\", and the install finds its package.
TEST_F(SccmRunMachine, ADistributionUnderAnyRootInstalls)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the roots are chosen against the code page of an English Windows";
    struct Root
    {
        const wchar_t* path;
        const wchar_t* asTheJobWritesIt; // in small letters, as the job finds it
    } roots[] = {
        {L"C:\\\u0414\u0438\u0441\u0442\u0440\u0438\u0431\u0443\u0442\u0438\u0432",
         L"c:\\\u0434\u0438\u0441\u0442\u0440\u0438\u0431\u0443\u0442\u0438\u0432\\"},
        {L"C:\\\u914D\u5E03", L"c:\\\u914D\u5E03\\"},
        {L"C:\\Qv Sccm Root", L"c:\\qv sccm root\\"},
    };
    for (const Root& root : roots)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(root.path)));
        const CTestDistribution from(root.path, /*withEngine=*/false);
        ASSERT_TRUE(from.AddAgentAndPackage());
        from.WriteRootResponseFile(kResponseFile, CTestDistribution::Encoding::Ansi);

        const std::set<std::wstring> before = NewTaskIds();
        const ProcessResult install = RunSccmFrom(from, L"/sccm /install");
        EXPECT_TRUE(install.finished);
        EXPECT_EQ(0u, install.exitCode);
        EXPECT_TRUE(IsProductInstalled());
        for (const std::wstring& id : NewTaskIds())
        {
            if (before.count(id) == 0)
            {
                EXPECT_EQ(root.asTheJobWritesIt,
                          CopiedSource(Attribute(ReadTaskXml(id), L"source")));
            }
        }
        EXPECT_EQ(0u, RunSccmFrom(from, L"/sccm /uninstall").exitCode);
        EXPECT_FALSE(IsProductInstalled());
        EXPECT_TRUE(NothingOfTheJobRunsOn());
    }
}
// The {GUID} folders of agent copies in the Windows TEMP folder.
std::set<std::wstring> AgentFolders()
{
    std::set<std::wstring> folders;
    WIN32_FIND_DATAW found = {};
    const HANDLE search = FindFirstFileW((WindowsTemp() + L"\\{*}").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return folders;
    do
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.insert(WindowsTemp() + L"\\" + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    return folders;
}

// A restart of the prefix: wineboot carries out the deletions registered for
// the next restart, in their order, as Windows does at boot.
DWORD RestartThePrefix()
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const ProcessResult r = RunProcess(std::wstring(system) + L"\\wineboot.exe", L"-r", 60000);
    return r.finished ? r.exitCode : ERROR_TIMEOUT;
}

// A fleet's year on one machine that stays up: each job leaves nothing of
// its own running (an SCCM install's agent of the last job stood in the way
// of the next install, which then waited for ever), and a restart leaves
// none of the jobs' folders.
class SccmLifecycleMachine : public SccmRunMachine
{
};

TEST_F(SccmLifecycleMachine, DeploymentsOneAfterAnotherThenARestart)
{
    const std::set<std::wstring> foldersBefore = AgentFolders();
    constexpr DWORD kNone = 0;
    // A repair or upgrade stops the product's agent (its package stops the
    // service while it replaces the files); the third step finds it started
    // again, as by an administrator.
    struct Step
    {
        const wchar_t* arguments;
        bool agentRunsBefore;
        bool installedAfter;
        DWORD productAgentAfter; // its service's state; kNone: no entry
    } steps[] = {
        {L"/sccm /install", false, true, SERVICE_STOPPED},
        {L"/sccm /repair", false, true, SERVICE_STOPPED},  // the job starts the agent
        {L"/sccm /repair", true, true, SERVICE_STOPPED},   // announced to the running agent
        {L"/sccm /upgrade", false, true, SERVICE_STOPPED}, // the same version, reinstalled
        {L"/sccm /removeallpatches", false, true, SERVICE_RUNNING},
        {L"/sccm /uninstall", true, false, kNone},
        {L"/sccm /install", false, true, SERVICE_STOPPED}, // the install that hung for ever
        {L"/sccm /uninstall", false, false, kNone},
    };
    int step = 0;
    for (const Step& s : steps)
    {
        SCOPED_TRACE(testing::Message() << "step " << ++step << ": " << s.arguments);
        if (s.agentRunsBefore)
        {
            ASSERT_EQ(0u, StartDriver(kAgentServiceName, 30000, {}));
        }
        const size_t logBefore = LibraryLog().size();
        ASSERT_EQ(0u, Sccm(s.arguments));
        EXPECT_EQ(s.installedAfter, IsProductInstalled());
        EXPECT_TRUE(NothingOfTheJobRunsOn());
        EXPECT_EQ(s.productAgentAfter, ServiceState(kAgentServiceName));
        const std::string log = LibraryLog().substr(logBefore);
        EXPECT_EQ(s.agentRunsBefore, log.find("CCommonInstallTask::Run") != std::string::npos)
            << "announced only to a running agent\n"
            << log;
    }

    std::set<std::wstring> jobFolders;
    for (const std::wstring& folder : AgentFolders())
        if (foldersBefore.count(folder) == 0)
            jobFolders.insert(folder);
    EXPECT_EQ(3u, jobFolders.size()) << "the install, upgrade and install jobs' copies";
    if (!RunsUnderWine())
        return; // a real restart is not a test's to make
    ASSERT_EQ(0u, RestartThePrefix());
    for (const std::wstring& folder : jobFolders)
        EXPECT_FALSE(FileExists(folder)) << folder.c_str();
}
} // namespace
