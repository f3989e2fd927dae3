// A script run of QvSetup.exe against its floor (QvEngineCallFloor.exe: the
// same platform work without the program around it), each from launch to the
// end of the process, which follows the engine call at once; and the peak
// working set of the script run. Every runtime reads as installed, so neither
// installs one; the sample engine does nothing but return.
//
// Under Wine the CPU time of another process grows from run to run (it is not
// that process's own), so it is printed only on Windows; the working set is
// the Linux process's, Wine's own libraries included, so the floor's figure
// is printed beside it.
#include "MsiState.h"
#include "ProcessRunner.h"
#include "TestDistribution.h"
#include "TestFiles.h"
#include "UniqueResource.h"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

// The product codes of the install library's runtime table: both x64 and
// both x86 runtimes.
constexpr const wchar_t* kRuntimeProducts[] = {
    L"{C874FB5A-1C85-460A-A4A9-CBCC3FAE7880}", L"{529D20E8-132A-4F1A-A25F-9211B8C943AC}",
    L"{7D75664A-6C04-424C-82A1-EE88913E5F16}", L"{01FAEC41-B3BC-44F4-B185-5E8475AEB855}"};

struct CRunFigures
{
    double wallMs = 0;
    double cpuMs = 0;
    double peakWorkingSetMb = 0;
    DWORD exitCode = 0;
};

double Milliseconds(const FILETIME& time)
{
    return (static_cast<ULONGLONG>(time.dwHighDateTime) << 32 | time.dwLowDateTime) / 10000.0;
}

CRunFigures RunOnce(std::wstring commandLine, const std::wstring& dir)
{
    CRunFigures figures;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const auto start = Clock::now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, /*inheritHandles=*/FALSE, 0,
                        nullptr, dir.c_str(), &startup, &info))
    {
        figures.exitCode = GetLastError();
        return figures;
    }
    const QvBase::CUniqueHandle process(info.hProcess);
    const QvBase::CUniqueHandle thread(info.hThread);
    // The peak is read while the process lives: Wine keeps no memory figures
    // of a process that has ended.
    SIZE_T peak = 0;
    while (WaitForSingleObject(process.Get(), /*milliseconds=*/2) == WAIT_TIMEOUT)
    {
        PROCESS_MEMORY_COUNTERS memory = {};
        if (GetProcessMemoryInfo(process.Get(), &memory, sizeof(memory)))
            peak = std::max(peak, memory.PeakWorkingSetSize);
    }
    figures.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    figures.peakWorkingSetMb = peak / (1024.0 * 1024.0);
    FILETIME created, ended, kernel, user;
    if (GetProcessTimes(process.Get(), &created, &ended, &kernel, &user))
        figures.cpuMs = Milliseconds(kernel) + Milliseconds(user);
    GetExitCodeProcess(process.Get(), &figures.exitCode);
    return figures;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct CSeries
{
    std::vector<double> wall, cpu, peak;
    DWORD lastExitCode = 0;
};

void Add(CSeries& series, const CRunFigures& figures)
{
    series.wall.push_back(figures.wallMs);
    series.cpu.push_back(figures.cpuMs);
    series.peak.push_back(figures.peakWorkingSetMb);
    if (figures.exitCode != 0)
        series.lastExitCode = figures.exitCode;
}
} // namespace

int wmain()
{
    const int runs = 7;
    QvTest::CMsiState runtimes;
    for (const wchar_t* product : kRuntimeProducts)
        runtimes.AddProduct(product);
    QvTest::CTestDistribution dist(QvTest::TempPath(L"QvSetupBench"));
    dist.WriteResponseFile(L"[Common]\r\nInstalldir=C:\\Program Files\\Quorvel\r\n");
    const std::wstring setup = L"\"" + dist.Setup() + L"\" /script";
    const std::wstring floor =
        L"\"" + QvTest::BinDir() + L"QvEngineCallFloor.exe\" \"" + dist.ProgramDir() + L"\"";

    // One of each first, so that neither pays for a cold file cache.
    RunOnce(setup, dist.ProgramDir());
    RunOnce(floor, dist.ProgramDir());
    CSeries script, stub;
    for (int i = 0; i < runs; ++i)
    {
        Add(script, RunOnce(setup, dist.ProgramDir()));
        Add(stub, RunOnce(floor, dist.ProgramDir()));
    }
    const bool cpuKnown = !QvTest::RunsUnderWine();
    std::printf("launch to engine call and end, median of %d runs (wall ms%s):\n", runs,
                cpuKnown ? " / CPU ms" : "; CPU not known under Wine");
    std::printf("  QvSetup.exe /script     %8.1f", Median(script.wall));
    if (cpuKnown)
        std::printf(" / %7.1f", Median(script.cpu));
    std::printf("\n  floor (same platform)   %8.1f", Median(stub.wall));
    if (cpuKnown)
        std::printf(" / %7.1f", Median(stub.cpu));
    std::printf("\n  ratio                   %8.2fx", Median(script.wall) / Median(stub.wall));
    if (cpuKnown)
        std::printf(" / %6.2fx", Median(script.cpu) / Median(stub.cpu));
    std::printf("   (goal <= 1.3x)\n");
    std::printf("peak working set of a script run: %.1f MB, floor %.1f MB (goal <= 16 MB)\n",
                Median(script.peak), Median(stub.peak));
    if (script.lastExitCode != 0 || stub.lastExitCode != 0)
        std::printf(
            "  note: exit codes %lu (script), %lu (floor): the figures are not comparable\n",
            script.lastExitCode, stub.lastExitCode);
    return 0;
}
