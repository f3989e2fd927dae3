// Stand-in for a runtime redistributable package, for tests and the demo.
// The engine module carries it as its x64 and x86 packages. Like a real
// package it takes "/quiet /norestart /log <file>" and writes its log there.
//
// Tests steer it through HKCU\Software\QvTest\RedistStandIn\<file name>
// (the name it was extracted under, such as vcredist_x64.exe):
//   ExitCodes  REG_SZ  exit codes of successive runs, comma-separated,
//                      decimal or 0x-hex ("1460,1460,0"); the last repeats
//   Runs       DWORD   runs so far (written by the package)
//   Arguments  REG_SZ  the arguments of the last run (written by the package)
//   HoldEvent  REG_SZ  name of an event to wait for (30 s at most) before
//                      exiting, so that a test can act while the package runs
//   HoldMilliseconds DWORD  a time to run for before exiting (the demo's
//                      screenshot of the start-up window)
// Without that key it changes nothing but its log file and exits with 0.
#include <windows.h>

#include <shellapi.h>

#include <cwchar>
#include <string>
#include <vector>

namespace
{
constexpr const wchar_t* kControlKey = L"Software\\QvTest\\RedistStandIn\\";

std::wstring OwnFileName()
{
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    const wchar_t* slash = std::wcsrchr(path, L'\\');
    return slash != nullptr ? slash + 1 : path;
}

// The command line without the program's own path.
std::wstring Arguments()
{
    const wchar_t* p = GetCommandLineW();
    const bool quoted = *p == L'"';
    if (quoted)
        ++p;
    while (*p != L'\0' && (quoted ? *p != L'"' : *p != L' '))
        ++p;
    if (quoted && *p == L'"')
        ++p;
    while (*p == L' ')
        ++p;
    return p;
}

std::wstring LogPath()
{
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring log;
    for (int i = 1; argv != nullptr && i + 1 < count; ++i)
        if (_wcsicmp(argv[i], L"/log") == 0)
            log = argv[i + 1];
    LocalFree(argv);
    return log;
}

void AppendLog(const std::wstring& path, const std::wstring& line)
{
    if (path.empty())
        return;
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, &bytes[0], size, nullptr, nullptr);
    bytes += "\r\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<DWORD> ParseCodes(const std::wstring& text)
{
    std::vector<DWORD> codes;
    const wchar_t* p = text.c_str();
    while (*p != L'\0')
    {
        wchar_t* end = nullptr;
        const unsigned long value = std::wcstoul(p, &end, 0);
        if (end == p)
            break;
        codes.push_back(static_cast<DWORD>(value));
        p = *end == L',' ? end + 1 : end;
    }
    return codes;
}

// The exit code a test asked for this run, recording the run; 0 untold.
DWORD SteeredExitCode(const std::wstring& name, const std::wstring& arguments)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kControlKey + name).c_str(), 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD runs = 0, size = sizeof runs;
    RegQueryValueExW(key, L"Runs", nullptr, nullptr, reinterpret_cast<BYTE*>(&runs), &size);
    ++runs;
    RegSetValueExW(key, L"Runs", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&runs), sizeof runs);
    RegSetValueExW(key, L"Arguments", 0, REG_SZ, reinterpret_cast<const BYTE*>(arguments.c_str()),
                   static_cast<DWORD>((arguments.size() + 1) * sizeof(wchar_t)));
    wchar_t text[256] = {};
    size = sizeof text - sizeof(wchar_t);
    RegQueryValueExW(key, L"ExitCodes", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    wchar_t hold[128] = {};
    size = sizeof hold - sizeof(wchar_t);
    RegQueryValueExW(key, L"HoldEvent", nullptr, nullptr, reinterpret_cast<BYTE*>(hold), &size);
    DWORD holdMs = 0;
    size = sizeof holdMs;
    RegQueryValueExW(key, L"HoldMilliseconds", nullptr, nullptr, reinterpret_cast<BYTE*>(&holdMs),
                     &size);
    RegCloseKey(key);
    Sleep(holdMs < 60000 ? holdMs : 60000);
    if (hold[0] != L'\0')
    {
        HANDLE event = CreateEventW(nullptr, TRUE, FALSE, hold);
        WaitForSingleObject(event, 30000);
        CloseHandle(event);
    }
    const std::vector<DWORD> codes = ParseCodes(text);
    if (codes.empty())
        return 0;
    return codes[runs - 1 < codes.size() ? runs - 1 : codes.size() - 1];
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring name = OwnFileName();
    const std::wstring arguments = Arguments();
    const DWORD code = SteeredExitCode(name, arguments);
    wchar_t result[32];
    _snwprintf(result, 32, L" -> 0x%X", code);
    result[31] = L'\0';
    AppendLog(LogPath(), name + L" " + arguments + result);
    return static_cast<int>(code);
}
