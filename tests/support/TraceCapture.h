#pragma once

// Test helper: the test process's own trace sinks "QvSetup" and
// "QvInstallLib" write to log files in a folder of the test while the object
// lives; at its end they fall silent and the machine's configuration returns.
#include "QvTrace.h"
#include "TraceConfig.h"

#include <string>

namespace QvTest
{
class CProcessTraceCapture
{
public:
    explicit CProcessTraceCapture(const std::wstring& directory, DWORD enableMask = 6)
        : directory(directory)
    {
        config.SetText(nullptr, L"TracePath", directory);
        config.SetNumber(nullptr, L"EnableMask", enableMask);
        config.SetNumber(nullptr, L"ParamsMask", 0x0001);
        Reload();
    }
    ~CProcessTraceCapture()
    {
        config.SetNumber(nullptr, L"ForceEnableMask", 0);
        Reload();
    }
    CProcessTraceCapture(const CProcessTraceCapture&) = delete;
    CProcessTraceCapture& operator=(const CProcessTraceCapture&) = delete;

    // The sinks read their configuration once; a test that changes it
    // reloads them.
    static void Reload()
    {
        QvBase::SetupTrace().Reload();
        QvBase::InstallLibTrace().Reload();
    }
    CTraceConfig& Config() { return config; }
    std::string Log(const wchar_t* sink) const
    {
        return ReadFileBytes(directory + L"\\" + sink + L".log");
    }

private:
    CTraceConfig config;
    std::wstring directory;
};
} // namespace QvTest
