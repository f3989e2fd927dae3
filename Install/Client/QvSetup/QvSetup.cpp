// Entry point of the setup program: the order of every step of a run and the
// exit code of every outcome.
#include <windows.h>

#include "AccountLookup.h"
#include "BuildInfo.h"
#include "CmdLineParser.h"
#include "EngineCall.h"
#include "ErrorText.h"
#include "FuncTraceContext.h"
#include "InstallContextVariants.h"
#include "InstallSource.h"
#include "InstallTrace.h"
#include "Locale.h"
#include "LogDirectory.h"
#include "PathUtils.h"
#include "QvResponseFile.h"
#include "RuntimeWorker.h"
#include "SilentModeChecks.h"
#include "StartupWindow.h"
#include "qvexception.h"

#include <memory>

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

// The mode a run reports its failures in: no message box in script mode.
struct CRunMode
{
    bool isScript;
    HWND window; // the start-up window; null in script mode
};

void ShowFailure(const CRunMode& mode, const wchar_t* text)
{
    if (!mode.isScript)
        MessageBoxW(mode.window, text, BuildInfo::kTitle, MB_ICONERROR);
}

unsigned int ReportError(CFuncTraceContext& trace, const CRunMode& mode, QvBase::CQvError& error)
{
    trace.Trace(4, L"%s", error.Dump());
    ShowFailure(mode, error.Description());
    return error.Code();
}

unsigned int ReportUnknownError(CFuncTraceContext& trace, const CRunMode& mode)
{
    trace.Trace(2, L"%s", L"Unknown error");
    ShowFailure(mode, QvBase::DescribeError(ERROR_INSTALL_FAILURE).c_str());
    return static_cast<unsigned int>(E_UNEXPECTED);
}

// The single-instance event belongs to whoever installs: it is only tested.
void ThrowIfAlreadyRunning()
{
    const HANDLE running = OpenEventW(GENERIC_ALL, FALSE, BuildInfo::kSingleInstanceEvent);
    if (running == nullptr)
        return;
    CloseHandle(running);
    QV_THROW(ERROR_INSTALL_ALREADY_RUNNING, L"wWinMain");
}

std::shared_ptr<CInstallContext> MakeInstallContext(const CRunMode& mode,
                                                    const CInstallSource& source)
{
    if (mode.isScript)
        return std::make_shared<CSrvInstallContext>(BuildInfo::kLocale, source.sourceDir.Get(),
                                                    nullptr);
    return std::make_shared<CInteractiveInstallContext>(BuildInfo::kLocale, source.sourceDir.Get(),
                                                        mode.window);
}

// Steps 16 to 19: the engine takes over. Errors here are reported at once,
// while the engine module is still loaded: an exception object that the
// engine raised lives in the engine's code.
unsigned int RunEngine(CFuncTraceContext& trace, const CRunMode& mode, HINSTANCE instance,
                       const CCmdLineParser& parser, const CInstallSource& source,
                       CEngineCall& engine)
{
    try
    {
        if (mode.window != nullptr)
            ShowInitializingText(mode.window, instance);
        // Released before the caller frees the engine module, on every path.
        const std::shared_ptr<CInstallContext> context = MakeInstallContext(mode, source);
        if (parser.HasOption(L"jcsf"))
            context->GetResponseFile()->SetWellKnownValue(QvInstall::KeyJcsf, L"1");
        // Whatever the engine returns, a return means the installation ran.
        engine.Function()(context);
        return ERROR_SUCCESS;
    }
    catch (QvBase::CQvError& error)
    {
        return ReportError(trace, mode, error);
    }
    catch (...)
    {
        return ReportUnknownError(trace, mode);
    }
}

// Steps 10 to 20: everything after the run mode is chosen.
unsigned int RunInstallation(const CCmdLineParser& parser, CFuncTraceContext& trace,
                             HINSTANCE instance, const CRunMode& mode)
{
    ThrowIfAlreadyRunning();
    // Group-policy runs repeat at every boot: a newer installed version ends
    // them quietly.
    if (parser.HasOption(L"gp") && !SilentModeChecks())
        return ERROR_FUNCTION_NOT_CALLED;
    CInstallSource source;
    DWORD relaunchExitCode = 0;
    if (!SettleInstallSource(parser, trace, source, relaunchExitCode))
        return relaunchExitCode;
    // The worker's promise and event live until the run ends.
    CRuntimeWorker runtime;
    runtime.Run(source.localDir);
    trace.Trace(2, L"%s", source.localDir.c_str());
    CEngineCall engine(
        QvBase::JoinPath(source.localDir.c_str(), BuildInfo::kEngineModule, L'\\').c_str(),
        BuildInfo::kEngineExport);
    return RunEngine(trace, mode, instance, parser, source, engine);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
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
    CRunMode mode = {parser.HasOption(L"script"), nullptr};
    if (!mode.isScript)
    {
        // The window stays until the process ends: nothing destroys it.
        mode.window = CreateStartupWindow(instance);
        if (mode.window == nullptr)
            return -1;
    }
    try
    {
        return static_cast<int>(RunInstallation(parser, trace, instance, mode));
    }
    catch (QvBase::CQvError& error)
    {
        return static_cast<int>(ReportError(trace, mode, error));
    }
    catch (...)
    {
        return static_cast<int>(ReportUnknownError(trace, mode));
    }
}
