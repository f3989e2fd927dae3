// Entry point of the setup program: the order of every step of a run and the
// exit code of every outcome.
#include <windows.h>

#include <shlwapi.h>

#include "AccountLookup.h"
#include "BuildInfo.h"
#include "CmdLineParser.h"
#include "EngineCall.h"
#include "ErrorText.h"
#include "FuncTraceContext.h"
#include "InstallContextVariants.h"
#include "Locale.h"
#include "PathUtils.h"
#include "QvResponseFile.h"
#include "StartupWindow.h"
#include "buffer.h"
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

constexpr size_t kPathChars = 520;
constexpr unsigned int kUnexpectedError = 0x8000FFFF;

// Failure reports belong to the start-up window; script mode shows none.
void ShowErrorBox(HWND window, const wchar_t* text)
{
    if (window != nullptr)
        MessageBoxW(window, text, BuildInfo::kTitle, MB_ICONERROR);
}

unsigned int ReportError(CFuncTraceContext& trace, HWND window, QvBase::CQvError& error)
{
    trace.Trace(4, L"%s", error.Dump());
    ShowErrorBox(window, error.Description());
    return error.Code();
}

unsigned int ReportUnknownError(CFuncTraceContext& trace, HWND window)
{
    trace.Trace(2, L"%s", L"Unknown error");
    ShowErrorBox(window, QvBase::DescribeError(ERROR_INSTALL_FAILURE).c_str());
    return kUnexpectedError;
}

// GAP (source settling): until the network relaunch is in, the run installs
// from the canonical directory of the running executable.
std::wstring CanonicalProgramDirectory()
{
    QvBase::CBuffer<wchar_t> path(kPathChars);
    GetModuleFileNameW(nullptr, path.Get(), static_cast<DWORD>(path.Count() - 1));
    PathRemoveFileSpecW(path.Get());
    QvBase::CBuffer<wchar_t> canonical(kPathChars);
    if (!PathCanonicalizeW(canonical.Get(), path.Get()))
        return path.Get();
    return canonical.Get();
}

std::shared_ptr<CInstallContext> MakeInstallContext(bool isScript, const wchar_t* sourceDir,
                                                    HWND window)
{
    if (isScript)
        return std::make_shared<CSrvInstallContext>(BuildInfo::kLocale, sourceDir, nullptr);
    return std::make_shared<CInteractiveInstallContext>(BuildInfo::kLocale, sourceDir, window);
}

// Steps 16 to 19. Failures are reported here, while the engine module is
// still loaded: an error object raised by the engine lives in its code.
unsigned int CallEngine(const CCmdLineParser& parser, HINSTANCE instance, HWND window,
                        CFuncTraceContext& trace, CEngineCall& engine, const wchar_t* sourceDir)
{
    try
    {
        if (window != nullptr)
            ShowInitializingText(window, instance);
        // Released before the caller frees the engine module, on every path.
        std::shared_ptr<CInstallContext> context =
            MakeInstallContext(window == nullptr, sourceDir, window);
        if (parser.HasOption(L"jcsf"))
            context->GetResponseFile()->SetWellKnownValue(QvInstall::KeyJcsf, L"1");
        engine.Function()(context);
        return ERROR_SUCCESS;
    }
    catch (QvBase::CQvError& error)
    {
        return ReportError(trace, window, error);
    }
    catch (...)
    {
        return ReportUnknownError(trace, window);
    }
}

// Steps 10 to 20: everything after the run mode is chosen. "window" is the
// start-up window, null in script mode.
unsigned int RunInstallation(const CCmdLineParser& parser, HINSTANCE instance, HWND window,
                             CFuncTraceContext& trace)
{
    // Single-instance guard: the event is only tested, never created here.
    HANDLE running = OpenEventW(GENERIC_ALL, FALSE, BuildInfo::kSingleInstanceEvent);
    if (running != nullptr)
    {
        CloseHandle(running);
        QV_THROW(ERROR_INSTALL_ALREADY_RUNNING, L"wWinMain");
    }
    // GAP: pre-install check (gp), source settling and network relaunch,
    // runtime worker.
    const std::wstring localDir = CanonicalProgramDirectory();
    QvBase::CBuffer<wchar_t> sourceDir(kPathChars);
    lstrcpynW(sourceDir.Get(), localDir.c_str(), static_cast<int>(sourceDir.Count()));

    trace.Trace(2, L"%s", localDir.c_str());
    CEngineCall engine(QvBase::JoinPath(localDir.c_str(), BuildInfo::kEngineModule, L'\\').c_str(),
                       BuildInfo::kEngineExport);
    return CallEngine(parser, instance, window, trace, engine, sourceDir.Get());
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
    // GAP: log directory and the install trace switch.
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
    try
    {
        return static_cast<int>(RunInstallation(parser, instance, window, trace));
    }
    catch (QvBase::CQvError& error)
    {
        return static_cast<int>(ReportError(trace, window, error));
    }
    catch (...)
    {
        return static_cast<int>(ReportUnknownError(trace, window));
    }
}
