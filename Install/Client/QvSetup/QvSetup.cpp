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
#include "SccmInstall.h"
#include "SetupOptions.h"
#include "SilentModeChecks.h"
#include "StartupWindow.h"
#include "UniqueResource.h"
#include "Usage.h"
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

// What every step of a script or interactive run works with, built once by
// wWinMain.
struct CSetupRun
{
    const CSetupOptions& options;
    CFuncTraceContext& trace;
    HINSTANCE instance;
    HWND window; // the start-up window; null in script mode
};

void ShowFailure(const CSetupRun& run, const wchar_t* text)
{
    if (!run.options.script)
        MessageBoxW(run.window, text, BuildInfo::kTitle, MB_ICONERROR);
}

// The one place where a run's failure becomes its exit code. Called inside a
// catch block: it rethrows to tell the kinds of error apart, traces it and,
// interactively, shows it in a message box owned by the start-up window.
unsigned int ExitCodeOfCaughtError(const CSetupRun& run)
{
    try
    {
        throw;
    }
    catch (QvBase::CQvError& error)
    {
        run.trace.Trace(4, L"%s", error.Dump());
        ShowFailure(run, error.Description());
        return error.Code();
    }
    catch (...)
    {
        run.trace.Trace(2, L"%s", L"Unknown error");
        ShowFailure(run, QvBase::DescribeError(ERROR_INSTALL_FAILURE).c_str());
        return static_cast<unsigned int>(E_UNEXPECTED);
    }
}

// The single-instance event belongs to whoever installs: it is only tested.
void ThrowIfAlreadyRunning()
{
    QV_FUNCTION_NAME(L"wWinMain");
    const QvBase::CUniqueHandle running(
        OpenEventW(GENERIC_ALL, /*inheritHandle=*/FALSE, BuildInfo::kSingleInstanceEvent));
    if (running)
        QV_RAISE(ERROR_INSTALL_ALREADY_RUNNING);
}

std::shared_ptr<CInstallContext> MakeInstallContext(const CSetupRun& run,
                                                    const CInstallSource& source)
{
    if (run.options.script)
        return std::make_shared<CSrvInstallContext>(BuildInfo::kLocale, source.sourceDir.Get(),
                                                    /*writer=*/nullptr);
    return std::make_shared<CInteractiveInstallContext>(BuildInfo::kLocale, source.sourceDir.Get(),
                                                        run.window);
}

// The engine takes over. Its errors are turned into the exit code here, while
// the engine module is still loaded: an exception object that the engine
// raised lives in the engine's code.
unsigned int RunEngine(const CSetupRun& run, const CInstallSource& source, CEngineCall& engine)
{
    try
    {
        if (run.window != nullptr)
            ShowInitializingText(run.window, run.instance);
        // Released before the caller frees the engine module, on every path.
        const std::shared_ptr<CInstallContext> context = MakeInstallContext(run, source);
        if (run.options.jcsf)
            context->GetResponseFile()->SetWellKnownValue(QvInstall::KeyJcsf, L"1");
        // Whatever the engine returns, a return means the installation ran.
        engine.Function()(context);
        return ERROR_SUCCESS;
    }
    catch (...)
    {
        return ExitCodeOfCaughtError(run);
    }
}

// Everything after the run mode is chosen. The run ends early when another
// setup is running, when a group-policy run finds a newer version installed,
// and after a run from a share has started its local copy; otherwise the
// runtimes are installed and the engine's outcome is the run's.
unsigned int RunInstallation(const CSetupRun& run)
{
    ThrowIfAlreadyRunning();
    // Group-policy runs repeat at every boot: a newer installed version ends
    // them quietly.
    if (run.options.groupPolicy && !SilentModeChecks())
        return ERROR_FUNCTION_NOT_CALLED;
    const CSourceSettlement settled = SettleInstallSource(run.options, run.trace);
    if (settled.relaunched)
        return settled.exitCode;
    const CInstallSource& source = settled.source;
    // The worker's promise and event live until the run ends.
    CRuntimeWorker runtime;
    runtime.Run(source.localDir);
    run.trace.Trace(2, L"%s", source.localDir.c_str());
    CEngineCall engine(QvBase::JoinPath(source.localDir.c_str(), kEngineModuleName, L'\\').c_str(),
                       kEngineExportName);
    return RunEngine(run, source, engine);
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    const CCmdLineParser parser(commandLine, /*caseSensitive=*/0);
    const CSetupOptions options = ReadSetupOptions(parser);
    // Asked for its usage, the program gives it and leaves everything else
    // alone: no trace, no log directory, no install trace, no window.
    if (options.usage)
    {
        SetLocale(BuildInfo::kLocale);
        GiveUsage(instance, options);
        // SCCM reads 0 as a deployment done: no action was carried out.
        return options.sccm ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
    }
    QV_SETUP_FUNCTION(L"wWinMain", L"QvSetup");
    QvBase::TraceRunningAccount(trace);
    TraceVersionBanner(trace, commandLine);
    WriteDebuggerBanner(commandLine);
    SetLocale(BuildInfo::kLocale);
    PrepareLogDirectory(GetDefaultLogDirectory());
    // On until wWinMain returns, whichever way it does: its destructor
    // switches tracing off again when this run switched it on.
    CInstallTrace installTrace(/*sink=*/nullptr);
    if (options.sccm)
        return static_cast<int>(RunSccmMode(trace, commandLine));
    CSetupRun run = {options, trace, instance, /*window=*/nullptr};
    if (!options.script)
    {
        // The window stays until the process ends: nothing destroys it.
        run.window = CreateStartupWindow(instance);
        if (run.window == nullptr)
            return -1;
    }
    try
    {
        return static_cast<int>(RunInstallation(run));
    }
    catch (...)
    {
        return static_cast<int>(ExitCodeOfCaughtError(run));
    }
}
