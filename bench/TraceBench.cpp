// Trace engine throughput: lines per second to the log file against a raw
// open-append-close loop of the same bytes (the floor of a design that never
// holds the file open), and the cost of a call to a disabled sink.
#include "QvTrace.h"
#include "TracePrefix.h"
#include "TraceText.h"
#include "TraceConfig.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace
{
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double RawLinesPerSecond(const std::wstring& path, const std::string& line, int count)
{
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
    {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
    }
    return count / Seconds(start);
}

double TraceLinesPerSecond(QvBase::CQvTrace& sink, const wchar_t* text, int count)
{
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i)
        sink.TraceW(2, L"%s", text);
    return count / Seconds(start);
}
} // namespace

int wmain()
{
    const int lines = 20000;
    const int disabledCalls = 20000000;
    const wchar_t* text = L"CResponseFile::Load { C:\\QvDemo\\QvInst.rsp: 12 sections }";

    QvTest::CTraceConfig config;
    QvTest::CTempDir dir(L"QvTraceBench");
    config.SetText(nullptr, L"TracePath", dir.Path());
    config.SetNumber(L"QvBenchSink", L"EnableMask", 2);
    config.SetNumber(L"QvBenchSink", L"ParamsMask", 0x3001);

    QvBase::CQvTrace sink(L"QvBenchSink");
    // The same bytes the sink writes: date, time, message and line end.
    const std::string rawLine = "09.12.2026 22:11:40" + QvBase::ToCodePage1251(text) + "\r\n";
    // Rounds alternate so that both loops see the same machine; best of each.
    double traced = 0, raw = 0;
    for (int round = 0; round < 3; ++round)
    {
        traced = std::max(traced, TraceLinesPerSecond(sink, text, lines));
        raw = std::max(raw, RawLinesPerSecond(dir / L"raw.log", rawLine, lines));
    }

    QvBase::CQvTrace disabled(L"QvBenchSilent");
    QvBase::CTracePrefix prefix(&disabled, L"  ", 0);
    const auto start = Clock::now();
    for (int i = 0; i < disabledCalls; ++i)
        prefix.Trace(2, L"%s %d", text, i);
    const double disabledNs = Seconds(start) * 1e9 / disabledCalls;

    std::printf("trace to file:   %.0f lines/s\n", traced);
    std::printf("raw append loop: %.0f lines/s\n", raw);
    std::printf("ratio:           %.2fx (goal >= 0.90x)\n", traced / raw);
    std::printf("disabled sink:   %.2f ns per call (goal <= 2 ns)\n", disabledNs);
    return 0;
}
