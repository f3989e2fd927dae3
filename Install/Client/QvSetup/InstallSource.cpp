#include "InstallSource.h"

#include "SetupOptions.h"
#include "SetupFileUtils.h"
#include "TracePrefix.h"
#include "Win32Objects.h"
#include "qvexception.h"

#include <shlwapi.h>

#include <utility>

namespace
{
// Copies text into the source buffer; a value that does not fit is refused
// rather than cut, since a cut path names another directory.
void StoreSource(QvBase::CBuffer<wchar_t>& buffer, const std::wstring& text)
{
    QV_FUNCTION_NAME(L"SettleInstallSource");
    if (text.size() >= buffer.Count())
        QV_RAISE(ERROR_INVALID_PARAMETER);
    text.copy(buffer.Get(), text.size());
    buffer[text.size()] = L'\0';
}

std::wstring CanonicalModuleDirectory()
{
    const std::wstring directory = GetModuleDirectory();
    wchar_t canonical[MAX_PATH];
    if (PathCanonicalizeW(canonical, directory.c_str()))
        return canonical;
    return directory;
}

DWORD RelaunchFromTemp(const CSetupOptions& options, QvBase::CTracePrefix& trace,
                       const std::wstring& shareDir)
{
    OutputDebugStringW(L"Run from network.");
    OutputDebugStringW(L"\n");
    trace.Trace(2, L"%s", L"Run from network.");
    std::wstring localExe;
    CopyFromNetwork(shareDir, /*copyExecutable=*/true, localExe);

    const std::wstring commandLine = BuildRelaunchCommandLine(localExe, shareDir, options);
    QvBase::CWin32Process process;
    // The local copy is named outright: the command line starts with its path
    // unquoted, which CreateProcessW would otherwise cut at the first blank.
    process.CreateNamed_Ex(localExe.c_str(), commandLine, /*inheritHandles=*/true);
    if (!options.groupPolicy)
        return ERROR_SUCCESS;
    // A copy that cannot be waited for leaves STILL_ACTIVE as the code.
    process.WaitFor(INFINITE);
    return process.GetExitCode();
}
} // namespace

std::wstring BuildRelaunchCommandLine(const std::wstring& localExe, const std::wstring& shareDir,
                                      const CSetupOptions& options)
{
    std::wstring commandLine = localExe + L" /source:\"" + shareDir + L"\" ";
    const std::pair<bool, const wchar_t*> passedOn[] = {
        {options.script, SetupOptionName::kScript},
        {options.groupPolicy, SetupOptionName::kGroupPolicy},
        {options.jcsf, SetupOptionName::kJcsf},
    };
    for (const auto& [present, name] : passedOn)
        if (present)
            commandLine += std::wstring(L" /") + name;
    return commandLine;
}

CSourceSettlement SettleInstallSource(const CSetupOptions& options, QvBase::CTracePrefix& trace)
{
    CSourceSettlement settled;
    const std::wstring executableDir = CanonicalModuleDirectory();
    StoreSource(settled.source.sourceDir, executableDir);

    if (options.source)
    {
        // Stored (or refused) before the wait: nothing happens with a bad value.
        StoreSource(settled.source.sourceDir, *options.source);
        settled.source.localDir = executableDir;
        // The parent that started this copy is still ending.
        Sleep(1000);
        return settled;
    }
    if (PathIsNetworkPathW(executableDir.c_str()))
    {
        settled.relaunched = true;
        settled.exitCode = RelaunchFromTemp(options, trace, executableDir);
        return settled;
    }
    settled.source.localDir = executableDir;
    return settled;
}
