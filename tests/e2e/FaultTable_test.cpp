// End-to-end: what a run gives for each fault an administrator can meet, the
// exit code and the trace line it must leave, and what it must leave intact.
// The administrator's guide's table of exit codes lists what these show.
#include "SccmMachine.h"

#include "ClientProduct.h"
#include "DistributionLayout.h"
#include "InstallTaskKeys.h"
#include "MsiState.h"
#include "ProcessRunner.h"
#include "RedistStandIn.h"
#include "RegistryState.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TraceConfig.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace
{
using QvTest::ReadFileBytes;
using QvTest::TempPath;

const wchar_t kResponseFile[] = L"[Common]\r\nInstalldir=C:\\Quorvel\r\n";

// One run's world: a distribution of its own with a response file, the
// setup's two trace sinks writing into a folder, the runtimes' install state,
// and a folder to start the run in.
class CFaultRun
{
public:
    CFaultRun()
    {
        dist.WriteResponseFile(kResponseFile);
        config.TraceSinkInto(L"QvSetup", logs.Path());
        config.TraceSinkInto(L"QvInstallLib", logs.Path());
    }

    // The exit code; the lines of both sinks go to log.
    DWORD Run(std::string& log)
    {
        const QvTest::ProcessResult r =
            QvTest::RunProcess(dist.Setup(), L"/script", 60000, work.Path().c_str());
        EXPECT_TRUE(r.finished) << "the run must end by itself";
        EXPECT_TRUE(r.messageBoxes.empty()) << "a script run shows nothing";
        log = ReadFileBytes(logs / L"QvSetup.log") + ReadFileBytes(logs / L"QvInstallLib.log");
        return r.exitCode;
    }
    std::wstring Engine() const { return dist.ProgramDir() + L"\\QvInstMain.dll"; }
    std::wstring ResponseFile() const { return dist.ProgramDir() + L"\\QvInst.rsp"; }
    // Nothing lands where the run was started: files meant for the temporary
    // folder once did.
    bool WorkFolderIsEmpty() const
    {
        WIN32_FIND_DATAW found = {};
        const HANDLE search = FindFirstFileW((work / L"*").c_str(), &found);
        bool empty = true;
        if (search == INVALID_HANDLE_VALUE)
            return empty;
        do
            empty &= found.cFileName[0] == L'.';
        while (FindNextFileW(search, &found));
        FindClose(search);
        return empty;
    }

    QvTest::CTestDistribution dist{TempPath(L"QvE2eFaults")};
    QvTest::CTempDir logs{L"QvE2eFaultLogs"};
    QvTest::CTempDir work{L"QvE2eFaultWork"};
    QvTest::CTempDir scratch{L"QvE2eFaultScratch"};
    QvTest::CEngineReport report{logs / L"engine.txt"};
    QvTest::CTraceConfig config;
    QvTest::CMsiState msi;
    QvTest::CRedistStandIn x64{L"vcredist_x64.exe"};
    QvTest::CRedistStandIn x86{L"vcredist_x86.exe"};
};

struct FaultCase
{
    const char* name;
    bool runtimesInstalled;
    // Makes the fault; what it returns lives until the run has been checked.
    std::function<std::shared_ptr<void>(CFaultRun&)> make;
    DWORD exitCode;
    const char* traceLine; // null: the run goes on
    bool engineRuns;
    // What must be left intact, checked after the run.
    std::function<void(CFaultRun&)> intact;
};

void NothingToCheck(CFaultRun&) {}

template <typename T, typename... A> std::shared_ptr<void> Keep(A&&... arguments)
{
    return std::make_shared<T>(std::forward<A>(arguments)...);
}

std::vector<FaultCase> FaultCases()
{
    const auto rows = [](CFaultRun& m) -> CFaultRun& { return m; };
    const auto writeEngine = [rows](const std::string& bytes)
    {
        return [rows, bytes](CFaultRun& m) -> std::shared_ptr<void>
        {
            EXPECT_TRUE(QvTest::WriteFileBytes(rows(m).Engine(), bytes));
            return nullptr;
        };
    };
    const auto temp = [rows](const wchar_t* name, DWORD attributes)
    {
        // A folder, a file or nothing at that name, then the run's TEMP there.
        return [rows, name, attributes](CFaultRun& m) -> std::shared_ptr<void>
        {
            const std::wstring path = rows(m).scratch / name;
            if (attributes == FILE_ATTRIBUTE_NORMAL)
            {
                EXPECT_TRUE(QvTest::WriteFileBytes(path, "a file"));
            }
            else if (attributes != INVALID_FILE_ATTRIBUTES)
            {
                EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
                SetFileAttributesW(path.c_str(), attributes);
            }
            return Keep<QvTest::CTempFolderOfRuns>(path);
        };
    };
    const auto tempUnchanged = [rows](const wchar_t* name)
    {
        return [rows, name](CFaultRun& m)
        {
            const std::wstring path = rows(m).scratch / name;
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                attributes != INVALID_FILE_ATTRIBUTES)
            {
                WIN32_FIND_DATAW found = {};
                const HANDLE search = FindFirstFileW((path + L"\\{*").c_str(), &found);
                EXPECT_EQ(INVALID_HANDLE_VALUE, search) << "a work folder was left behind";
                if (search != INVALID_HANDLE_VALUE)
                    FindClose(search);
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            }
            else if (attributes != INVALID_FILE_ATTRIBUTES)
            {
                EXPECT_EQ("a file", ReadFileBytes(path));
            }
            EXPECT_TRUE(rows(m).WorkFolderIsEmpty());
        };
    };
    const auto responseFile = [rows](const std::string& bytes)
    {
        return [rows, bytes](CFaultRun& m) -> std::shared_ptr<void>
        {
            EXPECT_TRUE(QvTest::WriteFileBytes(rows(m).ResponseFile(), bytes));
            return nullptr;
        };
    };
    const std::string overflow = "[Common]\r\nInstalldir=C:\\Q\r\n[patches]\r\ncount=2147483647\r\n"
                                 "patch0=C:\\p0\r\n";
    return {
        {"engine missing, runtimes to install", false,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             DeleteFileW(rows(m).Engine().c_str());
             return nullptr;
         },
         0xE6000002, "Code: 0xE6000002", /*engineRuns=*/false, NothingToCheck},
        {"engine missing, runtimes in place", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             DeleteFileW(rows(m).Engine().c_str());
             return nullptr;
         },
         0xE6000002, "Code: 0xE6000002", /*engineRuns=*/false, NothingToCheck},
        {"engine corrupt", false, writeEngine("MZ this is not a module"), 0xE6000002,
         "Code: 0xE6000002", /*engineRuns=*/false, NothingToCheck},
        {"engine without its export", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             EXPECT_TRUE(CopyFileW((QvTest::BinDir() + L"QvSrvApi.dll").c_str(),
                                   rows(m).Engine().c_str(), /*failIfExists=*/FALSE));
             return nullptr;
         },
         0xE6000003, "Code: 0xE6000003", /*engineRuns=*/false, NothingToCheck},
        {"engine raising", true,
         [](CFaultRun&) { return Keep<QvTest::CEnvironmentValue>(L"QVINSTMAIN_RAISE", L"1234"); },
         1234, "Code: 0x000004D2", /*engineRuns=*/true, NothingToCheck},
        {"response file missing", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             DeleteFileW(rows(m).ResponseFile().c_str());
             return nullptr;
         },
         ERROR_FILE_NOT_FOUND, "Code: 0x00000002", /*engineRuns=*/false, NothingToCheck},
        {"response file held by another process", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             return Keep<QvBase::CUniqueFileHandle>(
                 CreateFileW(rows(m).ResponseFile().c_str(), GENERIC_READ, /*shareMode=*/0, nullptr,
                             OPEN_EXISTING, 0, nullptr));
         },
         ERROR_SHARING_VIOLATION, "QvInst.rsp cannot be read: 32", /*engineRuns=*/false,
         [rows](CFaultRun& m)
         {
             const std::wstring text = std::wstring(L"\uFEFF") + kResponseFile;
             EXPECT_EQ(std::string(reinterpret_cast<const char*>(text.data()),
                                   text.size() * sizeof(wchar_t)),
                       ReadFileBytes(rows(m).ResponseFile()));
         }},
        {"response file a directory", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             DeleteFileW(rows(m).ResponseFile().c_str());
             EXPECT_TRUE(CreateDirectoryW(rows(m).ResponseFile().c_str(), nullptr));
             return nullptr;
         },
         ERROR_ACCESS_DENIED, "QvInst.rsp cannot be read: 5", /*engineRuns=*/false,
         [rows](CFaultRun& m)
         { EXPECT_TRUE(RemoveDirectoryW(rows(m).ResponseFile().c_str())) << "left as it was"; }},
        {"response file patch count overflow", true, responseFile(overflow), 0, nullptr,
         /*engineRuns=*/true,
         [rows, overflow](CFaultRun& m)
         {
             EXPECT_EQ(L"2", rows(m).report.Read()[L"Patches"]) << rows(m).report.Text();
             EXPECT_EQ(overflow, ReadFileBytes(rows(m).ResponseFile()));
         }},
        {"temp folder missing", false, temp(L"absent", INVALID_FILE_ATTRIBUTES),
         ERROR_PATH_NOT_FOUND, "Code: 0x00000003", /*engineRuns=*/false, tempUnchanged(L"absent")},
        {"temp folder a file", false, temp(L"file", FILE_ATTRIBUTE_NORMAL), ERROR_PATH_NOT_FOUND,
         "Code: 0x00000003", /*engineRuns=*/false, tempUnchanged(L"file")},
        // A read-only attribute on a folder does not stop files being made in it.
        {"temp folder read-only", false, temp(L"readonly", FILE_ATTRIBUTE_READONLY), 0, nullptr,
         /*engineRuns=*/true, tempUnchanged(L"readonly")},
        {"temp folder over-long", false,
         [](CFaultRun&)
         { return Keep<QvTest::CTempFolderOfRuns>(L"C:\\" + std::wstring(300, L't')); },
         ERROR_FILENAME_EXCED_RANGE, "Code: 0x000000CE", /*engineRuns=*/false,
         [rows](CFaultRun& m) { EXPECT_TRUE(rows(m).WorkFolderIsEmpty()); }},
        {"log directory not creatable", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             const std::wstring file = rows(m).scratch / L"file";
             EXPECT_TRUE(QvTest::WriteFileBytes(file, "a file"));
             rows(m).config.SetText(nullptr, L"TracePath", file + L"\\Logs");
             return nullptr;
         },
         0, nullptr, /*engineRuns=*/true,
         [rows](CFaultRun& m) { EXPECT_EQ("a file", ReadFileBytes(rows(m).scratch / L"file")); }},
        {"trace files unwritable", true,
         [rows](CFaultRun& m) -> std::shared_ptr<void>
         {
             for (const wchar_t* sink : {L"QvSetup.log", L"QvInstallLib.log"})
                 EXPECT_TRUE(CreateDirectoryW((rows(m).scratch / sink).c_str(), nullptr));
             rows(m).config.SetText(nullptr, L"TracePath", rows(m).scratch.Path());
             return nullptr;
         },
         0, nullptr, /*engineRuns=*/true, NothingToCheck},
        {"two setups at once", true,
         [](CFaultRun&)
         {
             return Keep<QvBase::CUniqueHandle>(
                 CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE,
                              L"Global\\{3B9E6F20-8C41-4E7A-9D25-61F0A4C7B8E3}"));
         },
         ERROR_INSTALL_ALREADY_RUNNING, "Code: 0x00000652", /*engineRuns=*/false, NothingToCheck},
    };
}

TEST(FaultTableMachine, EachFaultGivesItsExitCodeTraceLineAndLeavesTheRestIntact)
{
    for (const FaultCase& c : FaultCases())
    {
        SCOPED_TRACE(c.name);
        CFaultRun run;
        if (c.runtimesInstalled)
            run.msi.AddRuntimes();
        std::shared_ptr<void> fault = c.make(run);
        std::string log;
        EXPECT_EQ(c.exitCode, run.Run(log));
        if (c.traceLine != nullptr)
        {
            EXPECT_NE(std::string::npos, log.find(c.traceLine)) << log;
        }
        if (c.engineRuns)
        {
            EXPECT_EQ(L"released", run.report.Read()[L"SharedObject"]) << run.report.Text();
        }
        else
        {
            EXPECT_TRUE(run.report.Read().empty()) << "the engine must not run";
        }
        fault.reset();
        c.intact(run);
    }
}
} // namespace

namespace
{
bool ProcessRuns(const wchar_t* exeName)
{
    const QvBase::CUniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        if (_wcsicmp(entry.szExeFile, exeName) == 0)
            return true;
    return false;
}

// A run ended from outside (an administrator's kill, a power cut) cannot
// switch the install trace off. The next run takes the trace as configured
// and keeps the install-trace key as the last run left it.
TEST(FaultTableMachine, RunKilledMidwayLeavesTheTraceKeyForTheNextRunToKeep)
{
    const wchar_t kHold[] = L"Global\\QvE2eKilledRunHold";
    QvTest::CTraceConfig config; // no Trace key: the run switches the trace on
    // What switching the trace on touches besides.
    const QvTest::CKeyBackup filter(
        HKEY_LOCAL_MACHINE,
        L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Debug Print Filter");
    const QvTest::CKeyBackup oldTrace(HKEY_LOCAL_MACHINE,
                                      L"SYSTEM\\CurrentControlSet\\Services\\qvcc0");
    QvTest::CTestDistribution dist(TempPath(L"QvE2eKilledRun"));
    dist.WriteResponseFile(kResponseFile);
    QvTest::CTempDir logs(L"QvE2eKilledRunLogs");
    QvTest::CEngineReport report(logs / L"engine.txt");
    QvTest::CRedistStandIn x64(L"vcredist_x64.exe");
    QvTest::CRedistStandIn x86(L"vcredist_x86.exe");
    x64.HoldEvent(kHold);
    const QvBase::CUniqueHandle hold(
        CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, kHold));

    std::wstring commandLine = L"\"" + dist.Setup() + L"\" /script";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &started));
    const QvBase::CUniqueHandle setup(started.hProcess);
    const QvBase::CUniqueHandle thread(started.hThread);
    // Killed while its runtime package runs.
    for (int i = 0; i < 300 && !ProcessRuns(L"vcredist_x64.exe"); ++i)
        Sleep(100);
    ASSERT_TRUE(ProcessRuns(L"vcredist_x64.exe"));
    TerminateProcess(setup.Get(), 0xDEAD);
    WaitForSingleObject(setup.Get(), 10000);
    SetEvent(hold.Get());
    QvTest::WaitForProcessesToEnd(L"vcredist_x64.exe", 30000);

    const std::wstring query = L"\"HKLM\\" + std::wstring(QvTest::kTraceKey) + L"\" /s";
    const QvTest::RegQueryResult left = QvTest::RegQuery(query);
    EXPECT_EQ(0u, left.exitCode) << "the killed run left the trace on";

    const QvTest::ProcessResult next = QvTest::RunProcess(dist.Setup(), L"/script");
    EXPECT_EQ(0u, next.exitCode);
    EXPECT_EQ(L"released", report.Read()[L"SharedObject"]) << report.Text();
    const QvTest::RegQueryResult kept = QvTest::RegQuery(query);
    EXPECT_EQ(0u, kept.exitCode);
    EXPECT_EQ(left.output, kept.output);
}
} // namespace

namespace
{
using namespace QvTest;

// The SCCM mode's faults: a run on the SCCM tests' machine (SccmMachine.h)
// from a distribution made whole again for each row.
struct SccmFaultCase
{
    const char* name;
    const wchar_t* arguments;
    // Makes the fault in the distribution or the agent's steering.
    std::function<void(CSccmMachineTest&, const CTestDistribution&)> make;
    bool endsByItself;
    DWORD exitCode;
    const char* traceLine;
    // What must be left as it was, or as the row says, after the run.
    std::function<void(CSccmMachineTest&)> intact;
};

class SccmFaultTableMachine : public CSccmMachineTest
{
public:
    using CSccmMachineTest::NewTaskIds;
    using CSccmMachineTest::steering;
};

// A run cut short by its own fault must not keep it from the next one.
constexpr DWORD kRunsOnMs = 10000;

std::vector<SccmFaultCase> SccmFaultCases()
{
    const auto deleteFile = [](const wchar_t* name, bool atRoot)
    {
        return [name, atRoot](CSccmMachineTest&, const CTestDistribution& dist)
        {
            const std::wstring folder = atRoot ? dist.Root() : dist.ProgramDir();
            EXPECT_TRUE(DeleteFileW((folder + L"\\" + name).c_str()));
        };
    };
    const auto nothingLeft = [](CSccmMachineTest& m)
    {
        EXPECT_TRUE(static_cast<SccmFaultTableMachine&>(m).NewTaskIds().empty()) << "stored";
        EXPECT_EQ(0u, ServiceState(kSccmAgentServiceName)) << "registered";
        EXPECT_TRUE(InstalledClientProduct().empty());
    };
    // One of the agent's faults.
    const auto steer = [](void (CAgentSteering::*fault)() const)
    {
        return [fault](CSccmMachineTest& m, const CTestDistribution&)
        { (static_cast<SccmFaultTableMachine&>(m).steering.*fault)(); };
    };
    return {
        {"agent executable missing", L"/sccm /install",
         deleteFile(kAgentExecutable, /*atRoot=*/false), true, ERROR_FILE_NOT_FOUND,
         "Code: 0x00000002", nothingLeft},
        {"root response file missing", L"/sccm /install",
         deleteFile(kResponseFileName, /*atRoot=*/true), true, ERROR_FILE_NOT_FOUND,
         "Code: 0x00000002", nothingLeft},
        {"agent result without a document element", L"/sccm /install",
         steer(&CAgentSteering::AnswerWithoutDocumentElement), true, 0xE6060001, "Code: 0xE6060001",
         [](CSccmMachineTest&)
         {
             EXPECT_NE(0u, ServiceState(kSccmAgentServiceName))
                 << "a failed Run skips Finalize: the job's agent stays";
             EXPECT_TRUE(InstalledClientProduct().empty());
         }},
        {"agent ending mid-task", L"/sccm /install", steer(&CAgentSteering::EndServiceMidTask),
         false, 0, "QvSetup alive count: 1",
         [](CSccmMachineTest& m)
         {
             const std::set<std::wstring> ids = static_cast<SccmFaultTableMachine&>(m).NewTaskIds();
             ASSERT_EQ(1u, ids.size());
             DWORD result = 0;
             EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, GetTaskKeyPath(*ids.begin()),
                                       kTaskResultValue, result))
                 << "the task waits for the agent's next start";
             EXPECT_TRUE(InstalledClientProduct().empty());
         }},
    };
}

TEST_F(SccmFaultTableMachine, EachFaultGivesItsExitCodeTraceLineAndLeavesTheRestIntact)
{
    for (const SccmFaultCase& c : SccmFaultCases())
    {
        SCOPED_TRACE(c.name);
        const CAgentMachineCleanup row(kSccmInstallDir);
        const CTestDistribution from(std::wstring(kSccmDistRoot) + L"Fault", /*withEngine=*/false);
        ASSERT_TRUE(from.AddAgentAndPackage());
        from.WriteRootResponseFile(kSccmResponseFile);
        c.make(*this, from);
        const size_t logBefore = Log().size();

        const ProcessResult r =
            RunSccmFrom(from, c.arguments, c.endsByItself ? kSccmRunTimeoutMs : kRunsOnMs);
        EXPECT_EQ(c.endsByItself, r.finished);
        if (c.endsByItself)
        {
            EXPECT_EQ(c.exitCode, r.exitCode);
        }
        const std::string log = Log().substr(logBefore);
        EXPECT_NE(std::string::npos, log.find(c.traceLine)) << log;
        c.intact(*this);
    }
}
} // namespace
