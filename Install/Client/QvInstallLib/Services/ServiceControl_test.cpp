// Creating, configuring, querying and deleting services against the real
// Service Control Manager, with services of the tests' own.
#include "ServiceControl.h"

#include "RaisedError.h"
#include "RegistryState.h"
#include "TestFiles.h"
#include "TestService.h"
#include "TraceCapture.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using QvTest::CTestService;
using QvTest::ServiceConfig;

constexpr const wchar_t* kAgentPath = L"C:\\a b\\agent.exe";

using GroupList = std::vector<std::wstring>;

QvBase::CUniqueKey CreateKey(const wchar_t* path)
{
    QvBase::CUniqueKey key;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(),
                    nullptr);
    return key;
}

void WriteGroups(const wchar_t* path, const GroupList& groups)
{
    const QvBase::CUniqueKey key = CreateKey(path);
    std::wstring data;
    for (const std::wstring& group : groups)
        data += group + L'\0';
    data += L'\0';
    RegSetValueExW(key.Get(), L"List", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size() * sizeof(wchar_t)));
}

// The list as stored, or "<no list>" when there is no multi-string "List".
GroupList ReadGroups(const wchar_t* path)
{
    // The machine's own list holds some sixty groups.
    std::vector<wchar_t> data(16384, L'\0');
    DWORD size = static_cast<DWORD>((data.size() - 2) * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, path, L"List", RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &size) != ERROR_SUCCESS)
        return {L"<no list>"};
    GroupList groups;
    for (const wchar_t* item = data.data(); *item != L'\0'; item += wcslen(item) + 1)
        groups.push_back(item);
    return groups;
}

class ServiceControlMachine : public ::testing::Test
{
protected:
    bool Logged(const std::string& text) const
    {
        return trace.Log(L"QvInstallLib").find(text) != std::string::npos;
    }
    ServiceConfig Config(const CTestService& service) const
    {
        ServiceConfig config;
        EXPECT_TRUE(service.ReadConfig(config))
            << "no service " << testing::PrintToString(service.Name());
        return config;
    }
    DWORD CreateOwnProcess(const CTestService& service, const wchar_t* displayName, DWORD startType,
                           const wchar_t* path, const wchar_t* group = nullptr)
    {
        return CreateDriver(service.Name().c_str(), displayName, SERVICE_ALL_ACCESS,
                            SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_NORMAL, path, group,
                            /*insertBeforeGroup=*/nullptr, /*tagId=*/nullptr,
                            /*dependencies=*/nullptr, /*account=*/nullptr, /*password=*/nullptr);
    }

    QvTest::CTempDir logs{L"QvServiceControlLogs"};
    QvTest::CProcessTraceCapture trace{logs.Path()};
};

TEST_F(ServiceControlMachine, CreateRegistersThePathTheTypeNeeds)
{
    struct Case
    {
        DWORD type;
        DWORD startType;
        const wchar_t* path;
        const wchar_t* registered;
    };
    const Case cases[] = {
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, kAgentPath, L"\"C:\\a b\\agent.exe\""},
        {SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, L"\"C:\\a b\\agent.exe\"",
         L"\"C:\\a b\\agent.exe\""},
        {SERVICE_KERNEL_DRIVER, SERVICE_SYSTEM_START, L"C:\\drv\\qvtest.sys",
         L"\\SystemRoot\\system32\\drivers\\qvtest.sys"},
        {SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, L"C:\\drv\\qvtest.sys",
         L"C:\\drv\\qvtest.sys"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        CTestService service(L"QvTestSvc_Path");
        EXPECT_EQ(0u, CreateDriver(service.Name().c_str(), L"Path test", SERVICE_ALL_ACCESS, c.type,
                                   c.startType, SERVICE_ERROR_NORMAL, c.path, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr));
        const ServiceConfig config = Config(service);
        EXPECT_EQ(c.registered, config.imagePath);
        EXPECT_EQ(c.type, config.serviceType);
        EXPECT_EQ(c.startType, config.startType);
    }
}

TEST_F(ServiceControlMachine, CreateOfAnExistingServiceReconfiguresIt)
{
    CTestService service(L"QvTestSvc_Exists");
    ASSERT_EQ(0u, service.Register(L"Before"));
    EXPECT_EQ(0u, CreateOwnProcess(service, L"After", SERVICE_DISABLED, kAgentPath));

    const ServiceConfig config = Config(service);
    EXPECT_EQ(L"After", config.displayName);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), config.startType);
    EXPECT_EQ(L"\"C:\\a b\\agent.exe\"", config.imagePath);
    EXPECT_TRUE(Logged("CreateDriver { QvTestSvc_Exists, After, 16, 4, C:\\a b\\agent.exe"
                       "Service exists.}"));
}

TEST_F(ServiceControlMachine, CreateWithALoadOrderGroupListsTheGroup)
{
    // The machine's own list, put back as it was at the end.
    QvTest::CKeyBackup order(HKEY_LOCAL_MACHINE, kServiceGroupOrderKey);
    WriteGroups(kServiceGroupOrderKey, {L"A"});

    CTestService service(L"QvTestSvc_Group");
    EXPECT_EQ(
        0u, CreateOwnProcess(service, L"Group", SERVICE_DEMAND_START, kAgentPath, L"QvTestGroup"));
    EXPECT_EQ(L"QvTestGroup", Config(service).loadOrderGroup);
    EXPECT_EQ((GroupList{L"A", L"QvTestGroup"}), ReadGroups(kServiceGroupOrderKey));
}

// The machine's own order, as the system has it: a group it lists already
// stays where it is, and nothing else moves.
TEST_F(ServiceControlMachine, AnAlreadyListedGroupLeavesTheMachinesOrderAsItWas)
{
    QvTest::CKeyBackup order(HKEY_LOCAL_MACHINE, kServiceGroupOrderKey);
    const GroupList before = ReadGroups(kServiceGroupOrderKey);
    ASSERT_NE(L"<no list>", before.front()) << "the system lists its groups";
    EXPECT_EQ(0u, AddNewServiceGroup(before.front().c_str(), /*insertBefore=*/nullptr,
                                     /*replace=*/false));
    EXPECT_EQ(before, ReadGroups(kServiceGroupOrderKey));
}

TEST_F(ServiceControlMachine, DeleteTwiceFindsNoServiceTheSecondTime)
{
    CTestService service(L"QvTestSvc_Delete");
    ASSERT_EQ(0u, service.Register());
    EXPECT_EQ(0u, DeleteDriver(service.Name().c_str()));
    EXPECT_FALSE(service.Exists());
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST),
              DeleteDriver(service.Name().c_str()));
    EXPECT_TRUE(Logged("DeleteDriver { QvTestSvc_Delete DeleteService:0}"));
    EXPECT_TRUE(Logged("DeleteDriver { QvTestSvc_Delete}"));
}

TEST_F(ServiceControlMachine, DeleteOfAServiceMarkedForDeletionSucceeds)
{
    CTestService service(L"QvTestSvc_Marked");
    ASSERT_EQ(0u, service.Register());
    // A running service stays, marked for deletion, until it stops.
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    ASSERT_EQ(0u, DeleteDriver(service.Name().c_str()));
    ASSERT_TRUE(service.Exists());

    EXPECT_EQ(0u, DeleteDriver(service.Name().c_str()));
    EXPECT_TRUE(
        Logged("DeleteDriver { QvTestSvc_Marked ChangeServiceConfig:1072 DeleteService:0}"));
}

TEST_F(ServiceControlMachine, IsServiceRunningAnswersInErrorCodeStyle)
{
    EXPECT_EQ(1u, IsServiceRunning(L"QvTestSvc_NoSuchService"));

    CTestService service(L"QvTestSvc_Running");
    ASSERT_EQ(0u, service.Register());
    EXPECT_EQ(1u, IsServiceRunning(service.Name().c_str()));
    EXPECT_TRUE(Logged("IsServiceRunning { QvTestSvc_RunningQueryServiceStatus: 1}"));
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    EXPECT_EQ(0u, IsServiceRunning(service.Name().c_str()));
}

TEST_F(ServiceControlMachine, DescriptionAndShutdownTimeOfAServiceAreSet)
{
    CTestService service(L"QvTestSvc_Config");
    ASSERT_EQ(0u, service.Register());
    QvSetServiceDescriptionByName(service.Name().c_str(), L"Described");
    SetServiceShutdownTime(service.Name().c_str(), 90);

    const ServiceConfig config = Config(service);
    EXPECT_EQ(L"Described", config.description);
    EXPECT_EQ(90000u, config.preShutdownTimeoutMs);
    EXPECT_TRUE(Logged("QvSetServiceDescriptionByName { QvTestSvc_Config}"));
    EXPECT_TRUE(Logged("QvSetServiceDescriptionByHandle { Described}"));
}

TEST_F(ServiceControlMachine, ConfigurationOfAMissingServiceRaisesOrIsTraced)
{
    const wchar_t* missing = L"QvTestSvc_NoSuchService";
    EXPECT_EQ(static_cast<unsigned int>(ERROR_SERVICE_DOES_NOT_EXIST),
              QvTest::CodeOfErrorRaisedBy([&] { SetServiceShutdownTime(missing, 60); }));
    EXPECT_EQ(static_cast<unsigned int>(ERROR_SERVICE_DOES_NOT_EXIST),
              QvTest::CodeOfErrorRaisedBy([&] { QvSetServiceDescriptionByName(missing, L"x"); }));
    // Through a handle a failure is only traced.
    EXPECT_EQ(0u,
              QvTest::CodeOfErrorRaisedBy([] { QvSetServiceDescriptionByHandle(nullptr, L"x"); }));
    EXPECT_TRUE(Logged("W> "));
    EXPECT_TRUE(Logged("SetServiceShutdownTime"));
}

// The load order is tested on a key of the test's own: the machine's list is
// never touched.
class ServiceGroupOrderMachine : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kTestKey = L"SOFTWARE\\QvTest\\ServiceGroupOrder";

    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey); }
    void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey); }
};

TEST_F(ServiceGroupOrderMachine, GroupsAreAddedOrMovedAsAsked)
{
    struct Case
    {
        const char* what;
        bool listExists;
        GroupList before;
        const wchar_t* group;
        const wchar_t* insertBefore;
        bool replace;
        GroupList after;
    };
    const Case cases[] = {
        {"no list yet", false, {}, L"New", nullptr, false, {L"New"}},
        {"appended", true, {L"A", L"B"}, L"New", nullptr, false, {L"A", L"B", L"New"}},
        {"inserted", true, {L"A", L"B"}, L"New", L"B", false, {L"A", L"New", L"B"}},
        {"anchor not listed", true, {L"A", L"B"}, L"New", L"Z", false, {L"A", L"B", L"New"}},
        {"listed stays", true, {L"A", L"New", L"B"}, L"New", L"A", false, {L"A", L"New", L"B"}},
        {"listed moves", true, {L"A", L"B", L"New"}, L"New", L"A", true, {L"New", L"A", L"B"}},
        {"moved to the end", true, {L"New", L"A", L"B"}, L"New", L"Z", true, {L"A", L"B", L"New"}},
        {"names are case-sensitive", true, {L"new"}, L"New", nullptr, false, {L"new", L"New"}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTestKey);
        CreateKey(kTestKey);
        if (c.listExists)
            WriteGroups(kTestKey, c.before);
        EXPECT_EQ(0u, AddNewServiceGroup(c.group, c.insertBefore, c.replace, kTestKey));
        EXPECT_EQ(c.after, ReadGroups(kTestKey));
    }
}

TEST_F(ServiceGroupOrderMachine, NothingIsWrittenWithoutGroupKeyOrReadableList)
{
    WriteGroups(kTestKey, {L"A"});
    EXPECT_EQ(static_cast<DWORD>(E_FAIL), AddNewServiceGroup(nullptr, nullptr, false, kTestKey));
    EXPECT_EQ(GroupList{L"A"}, ReadGroups(kTestKey));

    const std::wstring missingKey = std::wstring(kTestKey) + L"\\Missing";
    EXPECT_EQ(0u, AddNewServiceGroup(L"New", nullptr, false, missingKey.c_str()));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, missingKey));

    // A list stored as another type is reported and left as it is, rather
    // than replaced by the one new group.
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kTestKey, L"List", L"A");
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_DATA),
              AddNewServiceGroup(L"New", nullptr, false, kTestKey));
    std::wstring stored;
    EXPECT_TRUE(QvTest::ReadRawString(HKEY_LOCAL_MACHINE, kTestKey, L"List", stored));
    EXPECT_EQ(L"A", stored);
}

class DriverPathByStartType : public ::testing::TestWithParam<std::pair<DWORD, const wchar_t*>>
{
};

TEST_P(DriverPathByStartType, GivesThePathOfTheStartType)
{
    EXPECT_EQ(GetParam().second, ValidateDriverPath(GetParam().first, L"C:\\drv\\qvtest.sys"));
}

INSTANTIATE_TEST_SUITE_P(
    StartTypes, DriverPathByStartType,
    ::testing::Values(std::make_pair(0ul, L"system32\\drivers\\qvtest.sys"),
                      std::make_pair(1ul, L"\\SystemRoot\\system32\\drivers\\qvtest.sys"),
                      std::make_pair(2ul, L"C:\\drv\\qvtest.sys"),
                      std::make_pair(3ul, L"C:\\drv\\qvtest.sys"),
                      std::make_pair(4ul, L"C:\\drv\\qvtest.sys"), std::make_pair(7ul, L"")));
} // namespace
