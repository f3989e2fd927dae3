#pragma once

#include "QvTrace.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <locale.h>
#include <string>

namespace QvBase
{
// ParamsMask bits of the trace configuration.
enum TraceParams : unsigned int
{
    TraceToFile = 0x0001,
    TraceToDebugger = 0x0008,
    TraceToConsole = 0x0010,
    TraceKeepFile = 0x0100,
    TraceMilliseconds = 0x0400,
    TraceProcessThread = 0x0800,
    TraceTime = 0x1000,
    TraceDate = 0x2000,
    TraceSession = 0x4000,
    TraceSinkName = 0x8000,
};

// Configuration of one sink as read from the registry.
struct TraceConfig
{
    std::wstring name;
    std::wstring logPath;
    std::atomic<unsigned int> enableMask{0};
    std::atomic<unsigned int> paramsMask{0};
    std::atomic<unsigned int> contextMask{0};
    std::atomic<unsigned int> commonFileFlag{0};
};

// Final, so that the sink's cheap queries are direct calls.
class CTraceImpl final
{
public:
    explicit CTraceImpl(const wchar_t* name);
    CTraceImpl(const CTraceImpl&) = delete;
    CTraceImpl& operator=(const CTraceImpl&) = delete;
    virtual ~CTraceImpl();

    virtual bool Reload();
    virtual bool IsEnabled() const
    {
        return config.enableMask.load(std::memory_order_relaxed) != 0 &&
               (config.paramsMask.load(std::memory_order_relaxed) & 0xFF) != 0;
    }
    virtual bool IsLevelEnabled(unsigned int level) const
    {
        return (level & config.enableMask.load(std::memory_order_relaxed)) != 0;
    }
    virtual bool IsContextLevel(unsigned int value) const;
    virtual bool IsTimeShown() const;
    virtual bool IsMillisecondsShown() const;

    const std::atomic<unsigned int>& EnableMask() const { return config.enableMask; }
    const std::atomic<unsigned int>& ParamsMask() const { return config.paramsMask; }

    void TraceVA(unsigned int level, const char* format, va_list args);
    void TraceVW(unsigned int level, const wchar_t* format, va_list args);
    void TraceDump(unsigned int level, const wchar_t* title, const void* data, unsigned int size,
                   unsigned int flags);

private:
    void WriteLine(unsigned int level, const std::string& message);
    void UpdateConsole(unsigned int params);

    TraceConfig config;
    HANDLE console = INVALID_HANDLE_VALUE;
    bool consoleAllocated = false;
    _locale_t formatLocale = nullptr;
};
} // namespace QvBase
