// End-to-end runs of the SCCM mode: QvSetup.exe /sccm with an action on the
// SCCM tests' machine (SccmMachine.h): each action and its codes, the
// lifecycle of one machine over many deployments, overlapping runs, roots
// outside the code page.
#include "SccmMachine.h"

#include "ClientProduct.h"
#include "DistributionLayout.h"
#include "InstallTask.h"
#include "InstallTaskKeys.h"
#include "ProductQueries.h"
#include "QvSrvClass.h"
#include "ServiceStartStop.h"
#include "TestService.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
using namespace QvTest;

constexpr const wchar_t* kInstallDir = kSccmInstallDir;

class SccmRunMachine : public CSccmMachineTest
{
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
    for (const wchar_t* file : {kAgentExecutable, kResponseFileName})
        EXPECT_TRUE(pending.FolderGoesAfter(source, source + L"\\" + file)) << file;

    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Task 1 finished with result 0 (")) << log;
}

// A command line and the exit code it must end with.
struct CRunCase
{
    const wchar_t* arguments;
    DWORD exitCode;
};

TEST_F(SccmRunMachine, ActionsThatDoNotFitTheMachineStopBeforeAnything)
{
    const CRunCase cases[] = {
        {L"/sccm", ERROR_INVALID_PARAMETER},
        {L"/sccm /uninstall", ERROR_NOT_FOUND},
        {L"/sccm /repair", ERROR_NOT_FOUND},
        {L"/sccm /upgrade", ERROR_NOT_FOUND},
        {L"/sccm /applypatch:a.msp*b.msp", ERROR_NOT_FOUND},
        {L"/sccm /removeallpatches", ERROR_NOT_FOUND},
    };
    for (const CRunCase& c : cases)
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
    steering.ForceResult(TaskRepair, ERROR_INSTALL_FAILURE);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_FAILURE), Sccm(L"/sccm /repair"));
    steering.ForceResult(TaskRepair, ERROR_SUCCESS_REBOOT_REQUIRED);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS_REBOOT_REQUIRED), Sccm(L"/sccm /repair"));
    steering.Clear();

    EXPECT_EQ(0u, Sccm(L"/sccm /uninstall"));
    EXPECT_FALSE(IsProductInstalled());
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Task 2 finished with result 1603 (")) << log;
    EXPECT_NE(std::string::npos, log.find("Task 3 finished with result 0 (")) << log;
}

// The administrator PIN guards removals: the uninstall and both patch
// actions are refused before anything; a repair or an upgrade goes on.
TEST_F(SccmRunMachine, AdministratorPinRefusesRemovalsAndAllowsRepairAndUpgrade)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir));
    WriteDword(HKEY_CURRENT_USER, kSrvApiKey, L"ProtectionState", QvSrvStateAdminPinOn);
    const CRunCase cases[] = {
        {L"/sccm /uninstall", ERROR_NOT_SUPPORTED},
        {L"/sccm /applypatch:C:\\a.msp", ERROR_NOT_SUPPORTED},
        {L"/sccm /removeallpatches", ERROR_NOT_SUPPORTED},
        {L"/sccm /repair", ERROR_SUCCESS},
        {L"/sccm /upgrade", ERROR_SUCCESS},
    };
    for (const CRunCase& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        const size_t tasksBefore = NewTaskIds().size();
        EXPECT_EQ(c.exitCode, Sccm(c.arguments));
        EXPECT_EQ(c.exitCode == ERROR_SUCCESS ? tasksBefore + 1 : tasksBefore, NewTaskIds().size())
            << "a refused action stores nothing";
        EXPECT_TRUE(IsProductInstalled());
    }
}

// The product's self-protection steps aside (its service mode) for a job
// whose action is allowed, for as long as the job runs, and comes back
// however the job ends.
TEST_F(SccmRunMachine, SelfProtectionStepsAsideOnlyForAnAllowedJobAndComesBack)
{
    const auto takeLog = []
    {
        std::wstring log;
        ReadRawString(HKEY_CURRENT_USER, kSrvApiKey, L"SelfProtectionLog", log);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSrvApiKey, L"SelfProtectionLog");
        return log;
    };
    const std::wstring asideAndBack = L"2:QvSetup;1:QvSetup";
    takeLog(); // what earlier runs left

    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_FOUND), Sccm(L"/sccm /repair"));
    EXPECT_EQ(asideAndBack, takeLog()) << "a failed Prepare";

    ASSERT_EQ(0u, InstallClient(kInstallDir));
    WriteDword(HKEY_CURRENT_USER, kSrvApiKey, L"ProtectionState", QvSrvStateAdminPinOn);
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SUPPORTED), Sccm(L"/sccm /uninstall"));
    EXPECT_EQ(L"", takeLog()) << "an action that is not allowed";
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kSrvApiKey, L"ProtectionState");

    steering.AnswerWithoutDocumentElement();
    EXPECT_EQ(0xE6060001u, Sccm(L"/sccm /repair"));
    EXPECT_EQ(asideAndBack, takeLog()) << "a failed Run";
    steering.Clear();

    steering.DelayEachTask(3000);
    steering.ForceResult(TaskRepair, ERROR_SUCCESS);
    const QvBase::CUniqueHandle run = StartProcess(dist.Setup(), L"/sccm /repair");
    ASSERT_TRUE(run.IsValid());
    Sleep(1500); // the agent holds the task
    DWORD mode = 0;
    EXPECT_TRUE(ReadRawDword(HKEY_CURRENT_USER, kSrvApiKey, L"SelfProtectionMode", mode));
    EXPECT_EQ(static_cast<DWORD>(QvSrvSelfProtectionService), mode) << "while the job runs";
    EXPECT_EQ(0u, AwaitProcess(run.Get(), kSccmRunTimeoutMs).exitCode);
    EXPECT_TRUE(ReadRawDword(HKEY_CURRENT_USER, kSrvApiKey, L"SelfProtectionMode", mode));
    EXPECT_EQ(static_cast<DWORD>(QvSrvSelfProtectionOn), mode);
    EXPECT_EQ(asideAndBack, takeLog());
}

// "timeout:<n>" is the agent's time-out for the task; anything but a
// number other than 0 leaves the default.
TEST_F(SccmRunMachine, TheTimeoutOptionReachesTheStoredTask)
{
    ASSERT_EQ(0u, InstallClient(kInstallDir));
    steering.ForceResult(TaskRepair, ERROR_SUCCESS);
    struct Case
    {
        const wchar_t* arguments;
        const wchar_t* timeout;
    } cases[] = {
        {L"/sccm /repair", L"720"},
        {L"/sccm /repair /timeout:30", L"30"},
        {L"/sccm /repair /timeout:0", L"720"},
        {L"/sccm /repair /timeout:x", L"720"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        const std::set<std::wstring> before = NewTaskIds();
        ASSERT_EQ(0u, Sccm(c.arguments));
        for (const std::wstring& id : NewTaskIds())
        {
            if (before.count(id) == 0)
            {
                EXPECT_EQ(c.timeout, Attribute(ReadTaskXml(id), L"timeout"));
            }
        }
    }
}

// The copied response file gets the distribution root only where the root's
// file says "."; a read-only file (as on read-only media) is rewritten in
// the copy, which is no longer read-only, and never at the root.
TEST_F(SccmRunMachine, TheCopiedResponseFileNamesTheRootAndTheRootsFileStaysAsItWas)
{
    struct Case
    {
        const char* name;
        const wchar_t* source;
        bool readOnly;
        const wchar_t* copiedSource;
    } cases[] = {
        {"a path", L"C:\\QvSccmDist", false, L"C:\\QvSccmDist"},
        {"\".\" in a read-only file", L".", true, L"c:\\qvsccmdist\\"},
    };
    const std::wstring root = std::wstring(kSccmDistRoot) + L"\\QvInst.rsp";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_NORMAL);
        dist.WriteRootResponseFile(std::wstring(L"[Common]\r\nSource=") + c.source +
                                   L"\r\nInstalldir=C:\\QvSccmClient\r\n");
        if (c.readOnly)
            SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_READONLY);
        const std::string rootBefore = ReadFileBytes(root);

        const std::set<std::wstring> before = NewTaskIds();
        EXPECT_EQ(0u, Sccm(L"/sccm /install"));
        for (const std::wstring& id : NewTaskIds())
        {
            if (before.count(id) != 0)
                continue;
            const std::wstring folder = Attribute(ReadTaskXml(id), L"source");
            EXPECT_EQ(c.copiedSource, CopiedSource(folder));
            // Under Wine a process of root writes through the attribute: the
            // copy's attribute shows what Windows would have refused.
            EXPECT_EQ(0u, GetFileAttributesW((folder + L"\\QvInst.rsp").c_str()) &
                              FILE_ATTRIBUTE_READONLY);
        }
        EXPECT_EQ(rootBefore, ReadFileBytes(root));
        EXPECT_EQ(c.readOnly, (GetFileAttributesW(root.c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
        EXPECT_EQ(0u, Sccm(L"/sccm /uninstall"));
    }
    SetFileAttributesW(root.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A distribution that lacks the agent, or the response file at its root,
// ends an install with the system's code, having registered and stored
// nothing; the failure's dump is in the trace, and nothing is ever shown.
TEST_F(SccmRunMachine, AnIncompleteDistributionEndsTheInstallWithTheSystemsCode)
{
    struct Case
    {
        const char* name;
        std::wstring missing;
    } cases[] = {
        {"no agent", dist.ProgramDir() + L"\\QvInstAgent.exe"},
        {"no response file at the root", std::wstring(kSccmDistRoot) + L"\\QvInst.rsp"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(dist.AddAgentAndPackage());
        dist.WriteRootResponseFile(kSccmResponseFile);
        ASSERT_TRUE(DeleteFileW(c.missing.c_str()));
        const size_t logBefore = Log().size();

        const ProcessResult r = RunSccm(L"/sccm /install");
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), r.exitCode);
        EXPECT_TRUE(NewTaskIds().empty()) << "nothing stored";
        EXPECT_EQ(0u, ServiceState(kSccmAgentServiceName)) << "nothing registered";
        const std::string log = Log().substr(logBefore);
        EXPECT_TRUE(HasWarningLine(log, "Code: 0x00000002")) << "the error's dump\n" << log;
    }
}

// The install job's agent must be alone: a running product agent and the
// agent a failed job left are stopped before the job starts its own.
TEST_F(SccmRunMachine, TheInstallJobStopsTheAgentsItFindsBeforeItStartsItsOwn)
{
    steering.AnswerWithoutDocumentElement();
    ASSERT_EQ(0xE6060001u, Sccm(L"/sccm /install"));
    ASSERT_EQ(static_cast<DWORD>(SERVICE_RUNNING), ServiceState(kSccmAgentServiceName))
        << "a failed job leaves its agent running";
    steering.Clear();
    // A product agent left running without its product.
    CTestService productAgent(kAgentServiceName);
    ASSERT_EQ(0u, productAgent.Register());
    ASSERT_EQ(0u, productAgent.Start());
    ASSERT_TRUE(productAgent.WaitForState(SERVICE_RUNNING, 10000));
    const size_t logBefore = LibraryLog().size();

    EXPECT_EQ(0u, Sccm(L"/sccm /install"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), productAgent.State());
    const std::string log = LibraryLog().substr(logBefore);
    EXPECT_EQ((std::vector<std::string>{"QvInstAgent", "QvInstAgent_sccm"}),
              TracedCalls(log, "StopDriver"))
        << log;
    EXPECT_EQ((std::vector<std::string>{"QvInstAgent_sccm,30000"}), TracedCalls(log, "StartDriver"))
        << log;
    EXPECT_LT(log.rfind("StopDriver"), log.find("StartDriver")) << "both stopped first";
}

TEST_F(SccmRunMachine, AResultWithoutADocumentElementSkipsFinalize)
{
    steering.AnswerWithoutDocumentElement();
    const DWORD code = Sccm(L"/sccm /install");
    EXPECT_EQ(0xE6060001u, code) << "the COM error, translated";
    EXPECT_NE(0u, ServiceState(kSccmAgentServiceName)) << "no Finalize: the service stays";
}

TEST_F(SccmRunMachine, AnAgentThatNeverAnswersIsPolledUntilTheRunEnds)
{
    steering.NeverAnswer();
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
    steering.DelayEachTask(3000);
    steering.ForceResult(TaskRepair, ERROR_SUCCESS);

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
        const ProcessResult r = AwaitProcess(run.Get(), kSccmRunTimeoutMs);
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
        from.WriteRootResponseFile(kSccmResponseFile, CTestDistribution::Encoding::Ansi);

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
// A fleet's year on one machine that stays up: each job leaves nothing of
// its own running (an SCCM install's agent of the last job stood in the way
// of the next install, which then waited for ever), and a restart leaves
// none of the jobs' folders.
class SccmLifecycleMachine : public CSccmMachineTest
{
};

TEST_F(SccmLifecycleMachine, DeploymentsOneAfterAnotherThenARestart)
{
    const std::set<std::wstring> foldersBefore = AgentFolders();
    constexpr DWORD kNone = 0;
    // A repair or upgrade stops the product's agent (its package stops the
    // service while it replaces the files); the third and sixth steps find it
    // started again, as by an administrator.
    constexpr const char* kSccmAgent = "QvInstAgent_sccm,30000";
    constexpr const char* kProductAgent = "QvInstAgent,30000";
    struct Step
    {
        const wchar_t* arguments;
        bool agentRunsBefore;
        const char* started; // the agent the job starts; null: it announces the task
        bool installedAfter;
        DWORD productAgentAfter; // its service's state; kNone: no entry
    } steps[] = {
        {L"/sccm /install", false, kSccmAgent, true, SERVICE_STOPPED},
        {L"/sccm /repair", false, kProductAgent, true, SERVICE_STOPPED},
        {L"/sccm /repair", true, nullptr, true, SERVICE_STOPPED},
        {L"/sccm /upgrade", false, kProductAgent, true, SERVICE_STOPPED}, // the same version
        {L"/sccm /removeallpatches", false, kProductAgent, true, SERVICE_RUNNING},
        {L"/sccm /uninstall", true, nullptr, false, kNone},
        {L"/sccm /install", false, kSccmAgent, true, SERVICE_STOPPED}, // the one that hung
        {L"/sccm /uninstall", false, kProductAgent, false, kNone},
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
        EXPECT_EQ(s.started == nullptr, log.find("CCommonInstallTask::Run") != std::string::npos)
            << "announced only to a running agent\n"
            << log;
        EXPECT_EQ(s.started != nullptr ? std::vector<std::string>{s.started}
                                       : std::vector<std::string>{},
                  TracedCalls(log, "StartDriver"))
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
