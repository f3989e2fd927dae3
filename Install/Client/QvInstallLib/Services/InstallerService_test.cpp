// The install agent's registration as Windows reports it back.
#include "InstallerService.h"

#include "TestService.h"

#include <gtest/gtest.h>

namespace
{
TEST(InstallerServiceMachine, RegistersAnOnDemandSystemServiceWithItsConfiguration)
{
    QvTest::CTestService service(L"QvTestSvc_Installer");
    const wchar_t* name = service.Name().c_str();
    for (int time = 1; time <= 2; ++time) // the second time over the first
    {
        SCOPED_TRACE(time);
        ASSERT_EQ(0u, RegisterInstallerService(L"C:\\Qv Source\\QvInstAgent.exe",
                                               SERVICE_DEMAND_START, name, name));
        QvTest::ServiceConfig config;
        ASSERT_TRUE(service.ReadConfig(config));
        EXPECT_EQ(L"\"C:\\Qv Source\\QvInstAgent.exe\"", config.imagePath);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS), config.serviceType);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_DEMAND_START), config.startType);
        EXPECT_EQ(static_cast<DWORD>(SERVICE_ERROR_NORMAL), config.errorControl);
        EXPECT_EQ(L"LocalSystem", config.account);
        EXPECT_EQ(service.Name(), config.displayName);
        EXPECT_EQ(service.Name(), config.description);
        EXPECT_EQ(3600000u, config.preShutdownTimeoutMs);
    }
}
} // namespace
