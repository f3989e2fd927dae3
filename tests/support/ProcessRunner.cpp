#include "ProcessRunner.h"

#include <tlhelp32.h>

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

namespace
{
struct BoxSearch
{
    DWORD processId;
    HWND box = nullptr;
};

// A message box is a dialog with an OK button; the start-up window, also a
// dialog, has none.
BOOL CALLBACK FindMessageBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<BoxSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (owner == search->processId && std::wstring(className) == L"#32770" &&
        GetDlgItem(window, IDOK) != nullptr)
    {
        search->box = window;
        return FALSE;
    }
    return TRUE;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

void DismissMessageBoxes(DWORD processId, ProcessResult& result)
{
    BoxSearch search{processId};
    EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&search));
    if (search.box == nullptr || !IsWindowVisible(search.box))
        return;
    const HWND owner = GetWindow(search.box, GW_OWNER);
    result.messageBoxes.push_back({WindowText(GetDlgItem(search.box, 0xFFFF)),
                                   WindowText(search.box),
                                   owner != nullptr ? WindowText(owner) : std::wstring()});
    PostMessageW(search.box, WM_COMMAND, IDOK, 0);
    // Give the box time to go before looking again.
    Sleep(100);
}
} // namespace

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
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    DWORD wait = WAIT_TIMEOUT;
    while (wait == WAIT_TIMEOUT && (timeoutMs == INFINITE || GetTickCount64() < deadline))
    {
        wait = WaitForSingleObject(pi.hProcess, 50);
        if (wait == WAIT_TIMEOUT)
            DismissMessageBoxes(pi.dwProcessId, result);
    }
    if (wait == WAIT_OBJECT_0)
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

namespace
{
bool IsRunning(const wchar_t* exeName)
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry))
        found = _wcsicmp(entry.szExeFile, exeName) == 0;
    CloseHandle(snapshot);
    return found;
}
} // namespace

bool WaitForProcessesToEnd(const wchar_t* exeName, DWORD timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (IsRunning(exeName))
    {
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(50);
    }
    return true;
}

CEnvironmentValue::CEnvironmentValue(const wchar_t* name, const std::wstring& value) : name(name)
{
    const DWORD needed = GetEnvironmentVariableW(name, nullptr, 0);
    had = needed != 0;
    if (had)
    {
        std::vector<wchar_t> old(needed, L'\0');
        GetEnvironmentVariableW(name, old.data(), needed);
        previous = old.data();
    }
    SetEnvironmentVariableW(name, value.c_str());
}

CEnvironmentValue::~CEnvironmentValue()
{
    SetEnvironmentVariableW(name, had ? previous.c_str() : nullptr);
}
} // namespace QvTest
