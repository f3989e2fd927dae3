#pragma once

#include "UniqueResource.h"

#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <memory>

namespace QvBase
{
class CTraceImpl;

// The key an administrator configures tracing under (HKEY_LOCAL_MACHINE).
constexpr const wchar_t* kTraceKeyPath = L"SYSTEM\\CurrentControlSet\\Services\\QvTrace\\Trace";

// Trace sink interface. Slot order matters: other modules call through it.
struct ITrace
{
    virtual void TraceA(unsigned int level, const char* format, ...) = 0;
    virtual void TraceW(unsigned int level, const wchar_t* format, ...) = 0;
    virtual void TraceVA(unsigned int level, const char* format, va_list args) = 0;
    virtual void TraceVW(unsigned int level, const wchar_t* format, va_list args) = 0;
    virtual void TraceDump(unsigned int level, const wchar_t* title, const void* data,
                           unsigned int size, unsigned int flags) = 0;
};

// A named, process-wide trace sink configured from the registry. Tracing never
// throws and never changes the thread's last-error value.
class CQvTrace final : public ITrace
{
public:
    explicit CQvTrace(const wchar_t* name);
    CQvTrace(const CQvTrace&) = delete;
    CQvTrace& operator=(const CQvTrace&) = delete;

    void TraceA(unsigned int level, const char* format, ...) override;
    void TraceW(unsigned int level, const wchar_t* format, ...) override;
    void TraceVA(unsigned int level, const char* format, va_list args) override;
    void TraceVW(unsigned int level, const wchar_t* format, va_list args) override;
    void TraceDump(unsigned int level, const wchar_t* title, const void* data, unsigned int size,
                   unsigned int flags) override;

    virtual ~CQvTrace();
    virtual bool Reload();
    // Inline: a disabled sink must cost no more than two mask tests.
    virtual bool IsEnabled()
    {
        return enableMask->load(std::memory_order_relaxed) != 0 &&
               (paramsMask->load(std::memory_order_relaxed) & 0xFF) != 0;
    }
    virtual bool IsLevelEnabled(unsigned int level)
    {
        return (level & enableMask->load(std::memory_order_relaxed)) != 0;
    }
    virtual bool IsContextLevel(unsigned int value);
    virtual bool IsTimeShown();
    virtual bool IsMillisecondsShown();

private:
    std::unique_ptr<CTraceImpl> impl;
    // The implementation's masks, or zeros when there is none.
    const std::atomic<unsigned int>* enableMask;
    const std::atomic<unsigned int>* paramsMask;
};

// The two sinks of the process, made during static initialisation: "QvSetup"
// for the setup program's code, "QvInstallLib" for the install library's.
CQvTrace& SetupTrace();
CQvTrace& InstallLibTrace();

} // namespace QvBase
