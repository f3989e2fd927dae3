#include "ProcessRunner.h"

#include <vector>

namespace QvTest
{
std::wstring BinDir()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size())
            break;
        path.resize(path.size() * 2);
    }
    std::wstring dir(path.data());
    return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

ProcessResult RunProcess(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs,
                         const wchar_t* workingDir)
{
    ProcessResult result;
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, workingDir,
                        &si, &pi))
    {
        result.startError = GetLastError();
        return result;
    }
    result.started = true;
    CloseHandle(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
    {
        result.finished = true;
        GetExitCodeProcess(pi.hProcess, &result.exitCode);
    }
    else
    {
        TerminateProcess(pi.hProcess, ERROR_TIMEOUT);
    }
    CloseHandle(pi.hProcess);
    return result;
}
} // namespace QvTest
