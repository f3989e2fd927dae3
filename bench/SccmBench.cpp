// The SCCM exchange: QvSetup.exe /sccm /repair with the product installed and
// its agent service running, steered to answer every repair at once with no
// Windows Installer work. The figure per task is launch to exit of the setup
// program; it includes the job's product query, the task store, the
// announcement, the agent's own handling (its task process, Load and
// Complete) and the reading of the result, but not the poll's 3000 ms pause:
// with the agent running the job waits on the task's running event, which the
// agent sets as it completes. Beside it, the same program ending at once
// (/sccm without an action) shows what process start and shut-down cost, and
// the agent's log (its lines carry milliseconds) what the agent itself took
// from taking a task up to having done it.
#include "AgentSteering.h"
#include "ClientProduct.h"
#include "InstallTask.h"
#include "InstallTaskKeys.h"
#include "ProcessRunner.h"
#include "ServiceStartStop.h"
#include "StoredTasks.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "TestService.h"
#include "UniqueResource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

constexpr const wchar_t* kInstallDir = L"C:\\QvSccmBenchClient";
constexpr int kRuns = 10;

// Median wall time of the runs in milliseconds; 0 when a run failed.
double MedianMs(const std::wstring& setup, const wchar_t* arguments, DWORD expected)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i)
    {
        const auto start = Clock::now();
        const QvTest::ProcessResult r = QvTest::RunProcess(setup, arguments, 60000);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!r.finished || r.exitCode != expected)
        {
            std::printf("  run %d of %ls: %s with %lu, expected %lu\n", i, arguments,
                        r.finished ? "ended" : "did not end", r.exitCode, expected);
            return 0;
        }
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
// Milliseconds of the day of a log line "yyyy-mm-dd hh:mm:ss.mmm ...".
double LineTimeMs(const std::string& line)
{
    int h = 0, m = 0, s = 0, ms = 0;
    if (std::sscanf(line.c_str(), "%*d-%*d-%*d %d:%d:%d.%d", &h, &m, &s, &ms) != 4)
        return -1;
    return ((h * 60.0 + m) * 60.0 + s) * 1000.0 + ms;
}

// Median of the agent's own time per task, from "taken up" to "done".
double AgentMedianMs(const std::set<std::wstring>& ids)
{
    const std::string log = QvTest::ReadFileBytes(L"C:\\Windows\\Temp\\QvInstAgent.log");
    std::vector<double> times;
    for (const std::wstring& wide : ids)
    {
        const std::string id(wide.begin(), wide.end());
        double taken = -1, done = -1;
        size_t start = 0;
        while (start < log.size())
        {
            const size_t end = std::min(log.find('\n', start), log.size());
            const std::string line = log.substr(start, end - start);
            if (line.find(id) != std::string::npos)
            {
                if (line.find(" taken up") != std::string::npos)
                    taken = LineTimeMs(line);
                else if (line.find(" done: ") != std::string::npos)
                    done = LineTimeMs(line);
            }
            start = end + 1;
        }
        if (taken >= 0 && done >= taken)
            times.push_back(done - taken);
    }
    if (times.empty())
        return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int wmain()
{
    if (!QvTest::InstalledClientProduct().empty())
    {
        std::puts("SCCM exchange: a client product is installed already; not measured");
        return 1;
    }
    const std::set<std::wstring> before = QvTest::StoredTaskIds();
    double exchange = 0;
    double startOnly = 0;
    std::set<std::wstring> measured;
    {
        QvTest::CTestDistribution dist(L"C:\\QvSccmBenchDist", /*withEngine=*/false);
        QvTest::CClientProductGuard product(kInstallDir);
        QvTest::CTestService agent(kAgentServiceName);
        if (QvTest::InstallClient(kInstallDir) != ERROR_SUCCESS ||
            StartDriver(kAgentServiceName, 30000, {}) != ERROR_SUCCESS)
        {
            std::puts("SCCM exchange: the product or its agent could not be set up");
            return 1;
        }
        const QvTest::CAgentSteering steering;
        steering.ForceResult(TaskRepair, ERROR_SUCCESS);
        startOnly = MedianMs(dist.Setup(), L"/sccm", ERROR_INVALID_PARAMETER);
        exchange = MedianMs(dist.Setup(), L"/sccm /repair", ERROR_SUCCESS);
        QvTest::CAgentSteering::Clear();
        // Before the product goes: its removal takes the task keys with it.
        for (const std::wstring& id : QvTest::StoredTaskIds())
            if (before.count(id) == 0)
                measured.insert(id);
        for (const std::wstring& id : measured)
            RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id).c_str());
    }
    const double agent = AgentMedianMs(measured);

    std::printf("SCCM exchange, agent running and answering at once (median of %d):\n", kRuns);
    std::printf("  /sccm /repair, launch to exit: %8.1f ms per task\n", exchange);
    std::printf("  /sccm alone (start and end):   %8.1f ms\n", startOnly);
    std::printf("  the agent's own work:          %8.1f ms per task (its log: taken up to done, "
                "a task process started for each)\n",
                agent);
    std::printf("  exchange overhead:             %8.1f ms per task (goal <= 100 ms: the run "
                "less its start and end and the agent's own work)\n",
                exchange - startOnly - agent);
    return 0;
}
