// Entry point of the setup program: the order of every step of a run and the
// exit code of every outcome.
#include <windows.h>

#include "AccountLookup.h"
#include "BuildInfo.h"
#include "CmdLineParser.h"
#include "FuncTraceContext.h"
#include "InstallTrace.h"
#include "Locale.h"
#include "LogDirectory.h"
#include "SilentModeChecks.h"
#include "StartupWindow.h"

namespace
{
void TraceVersionBanner(CFuncTraceContext& trace, const wchar_t* commandLine)
{
    const int* v = BuildInfo::kVersion;
    trace.Trace(2,
                L"QvSetup version %d.%d.%d.%d compiled at %s %s. Locale: %s. Command line is {%s}",
                v[0], v[1], v[2], v[3], BuildInfo::kBuildTime, BuildInfo::kBuildDate,
                BuildInfo::kLocale, commandLine);
}

void WriteDebuggerBanner(const wchar_t* commandLine)
{
    OutputDebugStringW(commandLine);
    OutputDebugStringW(L"\n");
    OutputDebugStringW(BuildInfo::kLocale);
    OutputDebugStringW(L"\n");
}

// Steps 10 to 20: everything after the run mode is chosen. "window" is the
// start-up window, null in script mode.
unsigned int RunInstallation(const CCmdLineParser& parser, HINSTANCE instance, HWND window)
{
    (void)parser;
    // Single-instance guard: the event is only tested, never created here.
    HANDLE running = OpenEventW(GENERIC_ALL, FALSE, BuildInfo::kSingleInstanceEvent);
    if (running != nullptr)
    {
        CloseHandle(running);
        return ERROR_INSTALL_ALREADY_RUNNING;
    }
    // Group-policy runs repeat at every boot: a newer installed version ends
    // them quietly.
    if (parser.HasOption(L"gp") && !SilentModeChecks())
        return ERROR_FUNCTION_NOT_CALLED;
    // GAP: source settling and network relaunch, runtime worker, engine binding.
    if (window != nullptr)
        ShowInitializingText(window, instance);
    // GAP: install context and the engine call.
    return ERROR_CALL_NOT_IMPLEMENTED;
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    (void)instance;
    CFuncTraceContext trace(L"wWinMain", L"QvSetup");
    QvBase::TraceRunningAccount(trace);
    TraceVersionBanner(trace, commandLine);
    WriteDebuggerBanner(commandLine);
    SetLocale(BuildInfo::kLocale);
    PrepareLogDirectory(GetDefaultLogDirectory());
    // On until wWinMain returns, whichever way it does: its destructor
    // switches tracing off again when this run switched it on.
    CInstallTrace installTrace(nullptr);
    CCmdLineParser parser(commandLine, 0);
    if (parser.HasOption(L"sccm"))
    {
        // GAP: the SCCM front.
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
    const bool isScript = parser.HasOption(L"script");
    HWND window = nullptr;
    if (!isScript)
    {
        // The window stays until the process ends: nothing destroys it.
        window = CreateStartupWindow(instance);
        if (window == nullptr)
            return -1;
    }
    return static_cast<int>(RunInstallation(parser, instance, window));
}
