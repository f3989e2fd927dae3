#include "TraceImpl.h"

#include "TraceLogFile.h"
#include "TraceText.h"

namespace QvBase
{
namespace
{
constexpr char kLogSeparator[] =
    "\r\n********************************************************************"
    "\r\n\r\n";
static_assert(sizeof kLogSeparator - 1 == 74, "the separator line is 74 bytes");

constexpr char kBreakNotice[] =
    "W> A break is requested after last output, but ommitted in release.\n";

// Owns an open registry key.
class CTraceKey
{
public:
    CTraceKey(HKEY parent, const wchar_t* path)
    {
        if (RegOpenKeyExW(parent, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~CTraceKey()
    {
        if (key != nullptr)
            RegCloseKey(key);
    }
    CTraceKey(const CTraceKey&) = delete;
    CTraceKey& operator=(const CTraceKey&) = delete;

    bool IsOpen() const { return key != nullptr; }
    HKEY Get() const { return key; }

    // Four bytes, whatever the stored type; a missing value leaves the target.
    void ReadNumber(const wchar_t* name, unsigned int& target) const
    {
        DWORD value = 0;
        DWORD size = sizeof value;
        if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size) ==
            ERROR_SUCCESS)
            target = value;
    }

    std::wstring ReadText(const wchar_t* name) const
    {
        wchar_t buffer[520] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            return std::wstring();
        return buffer;
    }

private:
    HKEY key = nullptr;
};

using OutputFunction = void(WINAPI*)(const char*);

// A host executable may route debugger output through its own export.
OutputFunction DebuggerOutput()
{
    static const OutputFunction function = []
    {
        auto exported = reinterpret_cast<OutputFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(nullptr), "QvOutputDebugString")));
        return exported != nullptr ? exported : &OutputDebugStringA;
    }();
    return function;
}

void WriteAll(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void AppendToFile(const std::wstring& path, const std::string& bytes, bool truncate)
{
    const HANDLE file = OpenTraceLogFile(path, truncate);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (!bytes.empty())
        WriteAll(file, bytes);
    CloseHandle(file);
}

DWORD CurrentSession()
{
    DWORD session = 0;
    return ProcessIdToSessionId(GetCurrentProcessId(), &session) ? session : 0xFFFFFFFF;
}
} // namespace

CTraceImpl::CTraceImpl(const wchar_t* name)
{
    config.name = name != nullptr ? name : L"";
    formatLocale = _create_locale(LC_ALL, "Russian");
    Reload();
}

CTraceImpl::~CTraceImpl()
{
    if (consoleAllocated)
        FreeConsole();
    if (formatLocale != nullptr)
        _free_locale(formatLocale);
}

bool CTraceImpl::Reload()
{
    const CTraceKey trace(HKEY_LOCAL_MACHINE, kTraceKeyPath);
    if (!trace.IsOpen())
        return false;

    unsigned int enable = 0, params = 0, common = 0, context = 0xFFFFFFFF;
    std::wstring commonFileName;
    trace.ReadNumber(L"EnableMask", enable);
    trace.ReadNumber(L"ParamsMask", params);
    trace.ReadNumber(L"CommonFileFlag", common);
    const CTraceKey own(trace.Get(), config.name.c_str());
    if (own.IsOpen())
    {
        own.ReadNumber(L"EnableMask", enable);
        own.ReadNumber(L"ParamsMask", params);
        own.ReadNumber(L"CommonFileFlag", common);
        own.ReadNumber(L"ContextMask", context);
        if (common != 0)
            commonFileName = own.ReadText(L"CommonFileName");
    }
    trace.ReadNumber(L"ForceEnableMask", enable);
    trace.ReadNumber(L"ForceParamsMask", params);
    trace.ReadNumber(L"ForceCommonFileFlag", common);
    unsigned int disableContext = 0;
    trace.ReadNumber(L"DisableContextFlag", disableContext);
    if (disableContext != 0)
        context = 0xFFFFFFFF;

    config.logPath =
        TraceLogPath(config.name, common, commonFileName, trace.ReadText(L"TracePath"));
    config.enableMask.exchange(enable);
    config.paramsMask.exchange(params);
    config.contextMask.exchange(context);
    config.commonFileFlag.exchange(common);

    if (params & TraceToFile)
    {
        const bool keep = common != 0 || (params & TraceKeepFile) != 0;
        const bool separate = common == 0 && (params & TraceKeepFile) != 0;
        AppendToFile(config.logPath, separate ? kLogSeparator : "", !keep);
    }
    UpdateConsole(params);
    return true;
}

void CTraceImpl::UpdateConsole(unsigned int params)
{
    if (params & TraceToConsole)
    {
        if (console == INVALID_HANDLE_VALUE || console == nullptr)
        {
            consoleAllocated = AllocConsole() != FALSE;
            console = GetStdHandle(STD_OUTPUT_HANDLE);
        }
        if (console != INVALID_HANDLE_VALUE && console != nullptr)
            SetConsoleTitleW(config.name.c_str());
        return;
    }
    if (consoleAllocated)
        FreeConsole();
    consoleAllocated = false;
    console = INVALID_HANDLE_VALUE;
}

bool CTraceImpl::IsContextLevel(unsigned int value) const
{
    return value == config.contextMask;
}
bool CTraceImpl::IsTimeShown() const
{
    return (config.paramsMask & TraceTime) != 0;
}
bool CTraceImpl::IsMillisecondsShown() const
{
    return (config.paramsMask & TraceMilliseconds) != 0;
}

void CTraceImpl::TraceVA(unsigned int level, const char* format, va_list args)
{
    if (!IsEnabled() || !IsLevelEnabled(level) || format == nullptr || *format == '\0')
        return;
    WriteLine(level, FormatTextV(formatLocale, format, args));
}

void CTraceImpl::TraceVW(unsigned int level, const wchar_t* format, va_list args)
{
    if (!IsEnabled() || !IsLevelEnabled(level) || format == nullptr || *format == L'\0')
        return;
    WriteLine(level, ToCodePage1251(FormatTextV(formatLocale, format, args)));
}

void CTraceImpl::TraceDump(unsigned int level, const wchar_t* title, const void* data,
                           unsigned int size, unsigned int flags)
{
    if (data == nullptr || size == 0 || !IsEnabled() || !IsLevelEnabled(level))
        return;
    WriteLine(level, ToCodePage1251(TraceDumpText(title, data, size, flags)));
}

void CTraceImpl::WriteLine(unsigned int level, const std::string& message)
{
    const unsigned int params = config.paramsMask;
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line;
    line.reserve(message.size() + 256);
    line = TraceLineHeader(now, params, config.commonFileFlag != 0 || (params & TraceSinkName),
                           config.name, (params & TraceSession) ? CurrentSession() : 0,
                           GetCurrentProcessId(), GetCurrentThreadId(), level);
    line += message;
    line += "\r\n";

    if (params & TraceToDebugger)
        DebuggerOutput()(line.c_str());
    if (params & TraceToFile)
        AppendToFile(config.logPath, line, false);
    if ((params & TraceToConsole) && console != INVALID_HANDLE_VALUE && console != nullptr)
    {
        DWORD written = 0;
        WriteConsoleA(console, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    if (level == 16)
    {
        OutputDebugStringA(line.c_str());
        OutputDebugStringA(kBreakNotice);
    }
}
} // namespace QvBase
