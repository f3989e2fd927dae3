#include "ProcessRunner.h"

#include "UniqueResource.h"

#include <tlhelp32.h>

#include <algorithm>
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
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMs = 200;

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

struct WindowSearch
{
    DWORD processId;
    std::vector<std::wstring>* seen;
};

BOOL CALLBACK RecordWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, ARRAYSIZE(className));
    const std::wstring entry = std::wstring(className) + L": " + WindowText(window);
    if (std::find(search->seen->begin(), search->seen->end(), entry) == search->seen->end())
        search->seen->push_back(entry);
    return TRUE;
}

void RecordWindows(DWORD processId, ProcessResult& result)
{
    WindowSearch search{processId, &result.windows};
    EnumWindows(RecordWindow, reinterpret_cast<LPARAM>(&search));
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

QvBase::CUniqueHandle StartProcess(const std::wstring& exe, const std::wstring& arguments,
                                   const wchar_t* workingDir, DWORD* startError)
{
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // Under Wine a new process now and then dies while it starts, and
    // CreateProcessW fails with 1359; Windows does not do that, so the
    // start is tried again rather than the test failing for it.
    for (int attempt = 1; !CreateProcessW(exe.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0,
                                          nullptr, workingDir, &si, &pi);
         ++attempt)
    {
        const DWORD error = GetLastError();
        if (error != ERROR_INTERNAL_ERROR || attempt == kStartAttempts)
        {
            if (startError != nullptr)
                *startError = error;
            return QvBase::CUniqueHandle();
        }
        Sleep(kStartRetryMs);
    }
    const QvBase::CUniqueHandle thread(pi.hThread);
    return QvBase::CUniqueHandle(pi.hProcess);
}

ProcessResult AwaitProcess(HANDLE process, DWORD timeoutMs)
{
    ProcessResult result;
    result.started = true;
    const DWORD processId = GetProcessId(process);
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    DWORD wait = WAIT_TIMEOUT;
    while (wait == WAIT_TIMEOUT && (timeoutMs == INFINITE || GetTickCount64() < deadline))
    {
        wait = WaitForSingleObject(process, 50);
        if (wait == WAIT_TIMEOUT)
        {
            RecordWindows(processId, result);
            DismissMessageBoxes(processId, result);
        }
    }
    if (wait == WAIT_OBJECT_0)
    {
        result.finished = true;
        GetExitCodeProcess(process, &result.exitCode);
    }
    else
    {
        TerminateProcess(process, ERROR_TIMEOUT);
    }
    return result;
}

ProcessResult RunProcess(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs,
                         const wchar_t* workingDir)
{
    ProcessResult result;
    const QvBase::CUniqueHandle process =
        StartProcess(exe, arguments, workingDir, &result.startError);
    return process ? AwaitProcess(process.Get(), timeoutMs) : result;
}

namespace
{
// Calls the visitor with each running process's id and executable name.
template <typename Visitor> void ForEachProcess(Visitor visit)
{
    const QvBase::CUniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry))
        visit(entry.th32ProcessID, entry.szExeFile);
}

bool IsRunning(const wchar_t* exeName)
{
    bool found = false;
    ForEachProcess([&](DWORD, const wchar_t* name) { found |= _wcsicmp(name, exeName) == 0; });
    return found;
}

std::wstring ImagePathOf(DWORD processId)
{
    const QvBase::CUniqueHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = ARRAYSIZE(path);
    if (!process || !QueryFullProcessImageNameW(process.Get(), 0, path, &size))
        return std::wstring();
    return std::wstring(path, size);
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

std::vector<std::wstring> ProcessesRunningFrom(const std::wstring& folder)
{
    std::vector<std::wstring> images;
    const std::wstring prefix = folder.back() == L'\\' ? folder : folder + L'\\';
    ForEachProcess(
        [&](DWORD processId, const wchar_t*)
        {
            const std::wstring image = ImagePathOf(processId);
            if (image.size() > prefix.size() &&
                _wcsnicmp(image.c_str(), prefix.c_str(), prefix.size()) == 0)
                images.push_back(image);
        });
    return images;
}

void EndProcesses(const wchar_t* exeName)
{
    ForEachProcess(
        [&](DWORD processId, const wchar_t* name)
        {
            if (_wcsicmp(name, exeName) != 0 || processId == GetCurrentProcessId())
                return;
            const QvBase::CUniqueHandle process(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
            if (process && TerminateProcess(process.Get(), ERROR_TIMEOUT))
                WaitForSingleObject(process.Get(), 5000);
        });
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
