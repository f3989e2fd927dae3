#include "TraceImpl.h"

#include "TraceLogFile.h"
#include "TraceText.h"
#include "UniqueResource.h"

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

CUniqueKey OpenForQuery(HKEY parent, const wchar_t* path)
{
    CUniqueKey key;
    if (RegOpenKeyExW(parent, path, /*options=*/0, KEY_QUERY_VALUE, key.Put()) != ERROR_SUCCESS)
        key.Reset();
    return key;
}

// Four bytes, whatever the stored type; a missing value leaves the target.
void ReadNumber(const CUniqueKey& key, const wchar_t* name, unsigned int& target)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) == ERROR_SUCCESS)
        target = value;
}

std::wstring ReadText(const CUniqueKey& key, const wchar_t* name)
{
    wchar_t buffer[520] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS)
        return std::wstring();
    return buffer;
}

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
    const CUniqueFileHandle file(OpenTraceLogFile(path, truncate));
    if (!file)
        return;
    if (!bytes.empty())
        WriteAll(file.Get(), bytes);
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
    const CUniqueKey trace = OpenForQuery(HKEY_LOCAL_MACHINE, kTraceKeyPath);
    if (!trace)
        return false;

    unsigned int enable = 0, params = 0, common = 0, context = 0xFFFFFFFF;
    std::wstring commonFileName;
    ReadNumber(trace, L"EnableMask", enable);
    ReadNumber(trace, L"ParamsMask", params);
    ReadNumber(trace, L"CommonFileFlag", common);
    const CUniqueKey own = OpenForQuery(trace.Get(), config.name.c_str());
    if (own)
    {
        ReadNumber(own, L"EnableMask", enable);
        ReadNumber(own, L"ParamsMask", params);
        ReadNumber(own, L"CommonFileFlag", common);
        ReadNumber(own, L"ContextMask", context);
        if (common != 0)
            commonFileName = ReadText(own, L"CommonFileName");
    }
    ReadNumber(trace, L"ForceEnableMask", enable);
    ReadNumber(trace, L"ForceParamsMask", params);
    ReadNumber(trace, L"ForceCommonFileFlag", common);
    unsigned int disableContext = 0;
    ReadNumber(trace, L"DisableContextFlag", disableContext);
    if (disableContext != 0)
        context = 0xFFFFFFFF;

    config.logPath =
        TraceLogPath(config.name, common, commonFileName, ReadText(trace, L"TracePath"));
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
        AppendToFile(config.logPath, line, /*truncate=*/false);
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
