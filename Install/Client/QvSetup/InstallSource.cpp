#include "InstallSource.h"

#include "CmdLineParser.h"
#include "SetupFileUtils.h"
#include "TracePrefix.h"
#include "Win32Objects.h"
#include "qvexception.h"

#include <shlwapi.h>

namespace
{
constexpr const wchar_t* kFunction = L"SettleInstallSource";

// Copies text into the source buffer; a value that does not fit is refused
// rather than cut, since a cut path names another directory.
void StoreSource(QvBase::CBuffer<wchar_t>& buffer, const std::wstring& text)
{
    if (text.size() >= buffer.Count())
        QV_THROW(ERROR_INVALID_PARAMETER, kFunction);
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

DWORD RelaunchFromTemp(const CCmdLineParser& parser, QvBase::CTracePrefix& trace,
                       const std::wstring& shareDir)
{
    OutputDebugStringW(L"Run from network.");
    OutputDebugStringW(L"\n");
    trace.Trace(2, L"%s", L"Run from network.");
    std::wstring localExe;
    CopyFromNetwork(shareDir, true, localExe);

    const std::wstring commandLine = BuildRelaunchCommandLine(localExe, shareDir, parser);
    QvBase::CWin32Process process;
    process.Create_Ex(nullptr, commandLine.c_str(), false, 0, true, nullptr);
    if (!parser.HasOption(L"gp"))
        return ERROR_SUCCESS;
    // A copy that cannot be waited for leaves STILL_ACTIVE as the code.
    process.WaitFor(INFINITE);
    return process.GetExitCode();
}
} // namespace

std::wstring BuildRelaunchCommandLine(const std::wstring& localExe, const std::wstring& shareDir,
                                      const CCmdLineParser& parser)
{
    std::wstring commandLine = localExe + L" /source:\"" + shareDir + L"\" ";
    for (const wchar_t* option : {L"script", L"gp", L"jcsf"})
        if (parser.HasOption(option))
            commandLine += std::wstring(L" /") + option;
    return commandLine;
}

bool SettleInstallSource(const CCmdLineParser& parser, QvBase::CTracePrefix& trace,
                         CInstallSource& source, DWORD& exitCode)
{
    const std::wstring executableDir = CanonicalModuleDirectory();
    StoreSource(source.sourceDir, executableDir);

    if (const wchar_t* given = parser.GetOptionValue(L"source"))
    {
        // Stored (or refused) before the wait: nothing happens with a bad value.
        StoreSource(source.sourceDir, given);
        source.localDir = executableDir;
        // The parent that started this copy is still ending.
        Sleep(1000);
        return true;
    }
    if (PathIsNetworkPathW(executableDir.c_str()))
    {
        exitCode = RelaunchFromTemp(parser, trace, executableDir);
        return false;
    }
    source.localDir = executableDir;
    return true;
}
