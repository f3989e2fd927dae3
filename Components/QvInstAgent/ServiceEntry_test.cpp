#include "ServiceEntry.h"

#include "TestService.h"
#include "UniqueResource.h"

#include <gtest/gtest.h>

namespace
{
constexpr const wchar_t* kName = L"QvAgentEntryTest";

bool SetStartType(DWORD startType)
{
    const QvBase::CUniqueServiceHandle manager(
        OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const QvBase::CUniqueServiceHandle service(
        OpenServiceW(manager.Get(), kName, SERVICE_CHANGE_CONFIG | DELETE));
    return ChangeServiceConfigW(service.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE,
                                nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr) != FALSE;
}

bool MarkForDeletion()
{
    const QvBase::CUniqueServiceHandle manager(
        OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const QvBase::CUniqueServiceHandle service(OpenServiceW(manager.Get(), kName, DELETE));
    return DeleteService(service.Get()) != FALSE;
}

// The agent ends once its entry is retired: the SCCM job's Finalize disables
// the entry, then deletes it; an entry that is gone counts too.
TEST(ServiceEntryMachine, RetiredWhenDisabledMarkedForDeletionOrGone)
{
    QvTest::CTestService service(kName);
    EXPECT_TRUE(QvAgent::IsServiceEntryRetired(kName)) << "no entry";
    ASSERT_EQ(0u, service.Register());
    EXPECT_FALSE(QvAgent::IsServiceEntryRetired(kName)) << "on demand, stopped";
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 10000));
    EXPECT_FALSE(QvAgent::IsServiceEntryRetired(kName)) << "running";
    ASSERT_TRUE(SetStartType(SERVICE_DISABLED));
    EXPECT_TRUE(QvAgent::IsServiceEntryRetired(kName)) << "disabled";
    ASSERT_TRUE(SetStartType(SERVICE_AUTO_START));
    EXPECT_FALSE(QvAgent::IsServiceEntryRetired(kName)) << "enabled again";
    ASSERT_TRUE(MarkForDeletion());
    EXPECT_TRUE(QvAgent::IsServiceEntryRetired(kName)) << "deleted while it runs";
}
} // namespace
