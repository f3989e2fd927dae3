#include "AgentLog.h"

#include "UniqueResource.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace QvAgent
{
std::wstring WindowsTempDir()
{
    wchar_t windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp";
}

std::wstring AgentLogPath()
{
    return WindowsTempDir() + L"\\QvInstAgent.log";
}

void Log(const wchar_t* format, ...)
{
    QvBase::CLastErrorKeeper keeper;
    wchar_t text[2048] = {};
    va_list args;
    va_start(args, format);
    _vsnwprintf(text, ARRAYSIZE(text) - 1, format, args);
    va_end(args);

    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t line[2200] = {};
    _snwprintf(line, ARRAYSIZE(line) - 1, L"%04u-%02u-%02u %02u:%02u:%02u.%03u [%lu] %s\r\n",
               now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
               now.wMilliseconds, GetCurrentProcessId(), text);
    char utf8[6600] = {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (size <= 1)
        return;
    QvBase::CUniqueFileHandle file(
        CreateFileW(AgentLogPath().c_str(), FILE_APPEND_DATA,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    DWORD written = 0;
    WriteFile(file.Get(), utf8, static_cast<DWORD>(size - 1), &written, nullptr);
}
} // namespace QvAgent
