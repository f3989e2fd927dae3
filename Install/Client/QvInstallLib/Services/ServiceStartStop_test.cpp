// Starting and stopping a real service of the tests' own. The pauses between
// state queries go through the poll-wait seam: recorded, and slept for real
// only where the service needs the time.
#include "ServiceStartStop.h"

#include "ServiceControl.h"
#include "TestFiles.h"
#include "TestService.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <regex>
#include <vector>

namespace
{
using QvTest::CTestService;
using Waits = std::vector<DWORD>;

constexpr DWORD kTimedOut = 0x80004005;
constexpr DWORD kJobTimeoutMs = 30000;

Waits waits;
void RecordWait(DWORD milliseconds)
{
    waits.push_back(milliseconds);
}
void RecordAndSleep(DWORD milliseconds)
{
    waits.push_back(milliseconds);
    Sleep(milliseconds);
}

// n waits of the period after the first 100 ms one.
Waits PollWaits(size_t n, DWORD period)
{
    Waits expected(n + 1, period);
    expected[0] = 100;
    return expected;
}

class ServiceStartStopMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        waits.clear();
        ServiceControlSeams::SetPollWait(&RecordWait);
    }
    void TearDown() override { ServiceControlSeams::SetPollWait(nullptr); }
    bool Logged(const std::string& text) const
    {
        return trace.Log(L"QvInstallLib").find(text) != std::string::npos;
    }
    DWORD Start(const std::vector<std::wstring>& arguments = {})
    {
        return StartDriver(service.Name().c_str(), kJobTimeoutMs, arguments);
    }

    QvTest::CTempDir logs{L"QvServiceStartStopLogs"};
    QvTest::CProcessTraceCapture trace{logs.Path()};
    CTestService service{L"QvTestSvc_StartStop"};
};

TEST_F(ServiceStartStopMachine, StartOfAServiceRunningAtTheFirstQueryTakesOnePass)
{
    ASSERT_EQ(0u, service.Register());
    // The service needs the first pause for real to get going.
    ServiceControlSeams::SetPollWait(&RecordAndSleep);
    EXPECT_EQ(0u, Start());
    EXPECT_EQ(Waits{100}, waits);
    EXPECT_EQ(0u, IsServiceRunning(service.Name().c_str()));
    EXPECT_TRUE(Logged("QvTestSvc_StartStop,30000"));
    EXPECT_TRUE(Logged("SERVICE_RUNNING"));
}

TEST_F(ServiceStartStopMachine, StartOfARunningServiceSucceeds)
{
    ASSERT_EQ(0u, service.Register());
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    EXPECT_EQ(0u, Start());
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(Logged("StartService: 0x420"));
}

TEST_F(ServiceStartStopMachine, ServiceThatStopsWhileStartingTimesOut)
{
    ASSERT_EQ(0u, service.Register());
    ServiceControlSeams::SetPollWait(&RecordAndSleep);
    EXPECT_EQ(kTimedOut, StartDriver(service.Name().c_str(), 1000, {L"stop-while-starting"}));
    // 500 per pass: queries at 500, 1000 and 1500, which is past 1000.
    EXPECT_EQ(PollWaits(2, 500), waits);
    EXPECT_TRUE(Logged("unknown status"));
    EXPECT_TRUE(Logged("Starting driver time out"));
}

TEST_F(ServiceStartStopMachine, StartGivesUpAfterSixtyOneQueriesOfTheJobsTimeout)
{
    ASSERT_EQ(0u, service.Register());
    // Without real pauses the service may still be starting at some queries:
    // whatever it reports short of running, the count is what it is.
    EXPECT_EQ(kTimedOut, Start({L"stop-while-starting"}));
    EXPECT_EQ(PollWaits(60, 500), waits);
}

TEST_F(ServiceStartStopMachine, StartOfAMissingServiceFails)
{
    EXPECT_EQ(static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST), Start());
    EXPECT_TRUE(Logged("OpenService: 0x424"));
}

TEST_F(ServiceStartStopMachine, StopOfARunningServiceWaitsUntilItStopped)
{
    ASSERT_EQ(0u, service.Register());
    ASSERT_EQ(0u, service.Start());
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    ServiceControlSeams::SetPollWait(&RecordAndSleep);
    EXPECT_EQ(0u, StopDriver(service.Name().c_str(), kJobTimeoutMs));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State());
    EXPECT_TRUE(Logged("SERVICE_STOPPED"));
}

TEST_F(ServiceStartStopMachine, StopOfAStoppedOrMissingServiceSucceeds)
{
    EXPECT_EQ(0u, StopDriver(L"QvTestSvc_NoSuchService", kJobTimeoutMs));
    ASSERT_EQ(0u, service.Register());
    EXPECT_EQ(0u, StopDriver(service.Name().c_str(), kJobTimeoutMs));
    EXPECT_TRUE(
        std::regex_search(trace.Log(L"QvInstallLib"), std::regex("W> +ControlService 1062")));
    EXPECT_TRUE(waits.empty());
}

// A service that takes no stop control cannot be stopped from here: that
// counts as stopped, without waiting.
TEST_F(ServiceStartStopMachine, StopOfAServiceThatRefusesTheControlSucceeds)
{
    ASSERT_EQ(0u, service.Register());
    ASSERT_EQ(0u, service.Start(L"refuse-stop"));
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    EXPECT_EQ(0u, StopDriver(service.Name().c_str(), kJobTimeoutMs));
    EXPECT_TRUE(
        std::regex_search(trace.Log(L"QvInstallLib"), std::regex("W> +ControlService 1052")));
    EXPECT_TRUE(waits.empty());
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000));
}

TEST_F(ServiceStartStopMachine, StopOfAServiceThatLingersTimesOut)
{
    ASSERT_EQ(0u, service.Register());
    ASSERT_EQ(0u, service.Start(L"slow-stop"));
    ASSERT_TRUE(service.WaitForState(SERVICE_RUNNING, 5000));
    // 100 per pass: ten queries reach 1000, the eleventh is past it.
    EXPECT_EQ(kTimedOut, StopDriver(service.Name().c_str(), 1000));
    EXPECT_EQ(PollWaits(10, 100), waits);
    EXPECT_TRUE(Logged("SERVICE_RUNNING"));
    EXPECT_TRUE(Logged("Stopping driver time out"));
    EXPECT_TRUE(service.WaitForState(SERVICE_STOPPED, 10000));
}
} // namespace
