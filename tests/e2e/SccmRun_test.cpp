// End-to-end runs of the SCCM mode: QvSetup.exe /sccm with an action, from a
// distribution laid out as the product ships it (the response file at the
// distribution root, the program, the agent and the package QvClient.msi in
// setup\client\x64), against the real install agent service and real Windows
// Installer work.
#include "ClientProduct.h"
#include "InstallTaskNames.h"
#include "ProcessRunner.h"
#include "ProductQueries.h"
#include "QvSrvClass.h"
#include "RegistryKey.h"
#include "RegistryState.h"
#include "ServiceStartStop.h"
#include "StoredTasks.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TestService.h"
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
constexpr const wchar_t* kSteeringKey = L"SOFTWARE\\QvTest\\QvInstAgent";
constexpr const wchar_t* kSrvApiKey = L"Software\\QvTest\\QvSrvApi";
constexpr DWORD kRunTimeoutMs = 120000;

std::wstring ReadTaskXml(const std::wstring& id)
{
    std::wstring xml;
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    if (key.OpenSub(GetTaskKeyPath(id).c_str(), /*create=*/false, KEY_READ) == ERROR_SUCCESS)
        key.GetString(kTaskXmlValue, xml, std::wstring());
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

// Gone, or marked for deletion while it still runs.
bool ServiceIsGoing(const wchar_t* name)
{
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), name, SERVICE_CHANGE_CONFIG));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    const bool changed = ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                              SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr) != FALSE;
    return !changed && GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}

bool ServiceExists(const wchar_t* name)
{
    QvBase::CUniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), name, SERVICE_QUERY_STATUS));
    return service.IsValid();
}

class SccmRunMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstalledClientProduct().empty()) << "a client product is installed already";
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSteeringKey);
        const std::wstring x64 = dist.ProgramDir();
        for (const std::wstring name : {L"QvInstAgent.exe", L"QvClient.msi", L"QvSrvApi.dll"})
            ASSERT_TRUE(CopyFileW((BinDir() + name).c_str(), (x64 + L"\\" + name).c_str(), FALSE))
                << name.c_str();
        WriteRootResponseFile(L".");
        // Every run of the test appends to the one log.
        config.TraceSinkInto(L"QvSetup", logs.Path(), /*params=*/0x0101);
        tasksBefore = QvTest::StoredTaskIds();
    }
    void TearDown() override
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSteeringKey);
        for (const std::wstring& id : NewTaskIds())
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id).c_str());
    }

    void WriteRootResponseFile(const std::wstring& source)
    {
        WriteUtf16File(std::wstring(kDistRoot) + L"\\QvInst.rsp",
                       L"[Common]\r\nSource=" + source + L"\r\nInstalldir=" + kInstallDir +
                           L"\r\nlocale=ru-RU\r\n");
    }
    ProcessResult RunSccm(const std::wstring& arguments, DWORD timeoutMs = kRunTimeoutMs)
    {
        ProcessResult r = RunProcess(dist.Setup(), arguments, timeoutMs);
        EXPECT_TRUE(r.started) << "start error " << r.startError;
        EXPECT_TRUE(r.messageBoxes.empty()) << "the SCCM mode shows nothing";
        return r;
    }
    DWORD Sccm(const std::wstring& arguments)
    {
        const ProcessResult r = RunSccm(arguments);
        EXPECT_TRUE(r.finished);
        return r.exitCode;
    }
    std::set<std::wstring> NewTaskIds() const
    {
        std::set<std::wstring> ids;
        for (const std::wstring& id : QvTest::StoredTaskIds())
            if (tasksBefore.count(id) == 0)
                ids.insert(id);
        return ids;
    }
    std::string Log() const { return ReadFileBytes(logs / L"QvSetup.log"); }
    static void Steer(const wchar_t* name, DWORD value)
    {
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kSteeringKey, name, REG_DWORD, &value, sizeof value);
    }

    CTestDistribution dist{kDistRoot, /*withEngine=*/false};
    CClientProductGuard product{kInstallDir};
    // Whatever a run left registered goes at the end, however the test ends.
    CTestService sccmAgent{kSccmAgentServiceName};
    CTestService productAgent{kAgentServiceName};
    CTraceConfig config;
    CTempDir logs{L"QvSccmLogs"};
    CKeyBackup srvApi{HKEY_CURRENT_USER, kSrvApiKey};
    std::set<std::wstring> tasksBefore;
};

TEST_F(SccmRunMachine, InstallOnACleanMachineInstallsThroughAnAgentOfItsOwn)
{
    EXPECT_EQ(0u, Sccm(L"/SCCM /INSTALL"));
    EXPECT_TRUE(IsProductInstalled());
    EXPECT_EQ(L"ru-RU", GetInstalledProductLocale());
    EXPECT_TRUE(FileExists(std::wstring(kInstallDir) + L"\\QvClient.txt"));
    EXPECT_TRUE(ServiceIsGoing(kSccmAgentServiceName)) << "Finalize deletes the agent service";

    // One task, whose source is the agent's folder under the Windows
    // directory's TEMP, with the agent and the response file copied there.
    const std::set<std::wstring> ids = NewTaskIds();
    ASSERT_EQ(1u, ids.size());
    const std::wstring source = Attribute(ReadTaskXml(*ids.begin()), L"source");
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    EXPECT_EQ(0u, source.find(std::wstring(windows) + L"\\TEMP\\{")) << source.c_str();
    EXPECT_TRUE(FileExists(source + L"\\QvInstAgent.exe"));
    wchar_t value[MAX_PATH] = {};
    GetPrivateProfileStringW(L"Common", L"Source", L"", value, MAX_PATH,
                             (source + L"\\QvInst.rsp").c_str());
    EXPECT_STREQ(L"c:\\qvsccmdist\\", value) << "\".\" became the distribution root";

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
    EXPECT_FALSE(ServiceExists(kSccmAgentServiceName)) << "nothing registered";

    ASSERT_EQ(0u, InstallClient(kInstallDir));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), Sccm(L"/sccm /install"));
    EXPECT_TRUE(NewTaskIds().empty());
    EXPECT_FALSE(ServiceExists(kSccmAgentServiceName));
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
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kSteeringKey);

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
    EXPECT_TRUE(ServiceExists(kSccmAgentServiceName)) << "no Finalize: the service stays";
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
} // namespace
