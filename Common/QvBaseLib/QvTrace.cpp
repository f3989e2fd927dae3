#include "QvTrace.h"

#include "TraceImpl.h"

namespace QvBase
{
namespace
{
const std::atomic<unsigned int> kNoMask{0};

// Every call into the implementation: none without one, the thread's last
// error kept, nothing thrown. False when it did not run or failed.
template <typename Call> bool CallImpl(const std::unique_ptr<CTraceImpl>& impl, Call call)
{
    if (!impl)
        return false;
    CLastErrorKeeper keep;
    try
    {
        return call(*impl);
    }
    catch (...)
    {
        return false;
    }
}
} // namespace

CQvTrace::CQvTrace(const wchar_t* name) : enableMask(&kNoMask), paramsMask(&kNoMask)
{
    try
    {
        impl = std::make_unique<CTraceImpl>(name);
        enableMask = &impl->EnableMask();
        paramsMask = &impl->ParamsMask();
    }
    catch (...)
    {
        OutputDebugStringA("Exception raised in CQvTrace::CQvTrace()\n");
    }
}

CQvTrace::~CQvTrace() = default;

void CQvTrace::TraceA(unsigned int level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    TraceVA(level, format, args);
    va_end(args);
}

void CQvTrace::TraceW(unsigned int level, const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    TraceVW(level, format, args);
    va_end(args);
}

void CQvTrace::TraceVA(unsigned int level, const char* format, va_list args)
{
    CallImpl(impl,
             [&](CTraceImpl& sink)
             {
                 sink.TraceVA(level, format, args);
                 return true;
             });
}

void CQvTrace::TraceVW(unsigned int level, const wchar_t* format, va_list args)
{
    CallImpl(impl,
             [&](CTraceImpl& sink)
             {
                 sink.TraceVW(level, format, args);
                 return true;
             });
}

void CQvTrace::TraceDump(unsigned int level, const wchar_t* title, const void* data,
                         unsigned int size, unsigned int flags)
{
    CallImpl(impl,
             [&](CTraceImpl& sink)
             {
                 sink.TraceDump(level, title, data, size, flags);
                 return true;
             });
}

bool CQvTrace::Reload()
{
    return CallImpl(impl, [](CTraceImpl& sink) { return sink.Reload(); });
}

bool CQvTrace::IsContextLevel(unsigned int value)
{
    return impl && impl->IsContextLevel(value);
}
bool CQvTrace::IsTimeShown()
{
    return impl && impl->IsTimeShown();
}
bool CQvTrace::IsMillisecondsShown()
{
    return impl && impl->IsMillisecondsShown();
}

CQvTrace& SetupTrace()
{
    static CQvTrace sink(L"QvSetup");
    return sink;
}

CQvTrace& InstallLibTrace()
{
    static CQvTrace sink(L"QvInstallLib");
    return sink;
}

namespace
{
// Both sinks exist before wWinMain runs, so that the configuration they read
// is the one present when the process started.
struct CSinksAtStartup
{
    CSinksAtStartup()
    {
        SetupTrace();
        InstallLibTrace();
    }
} sinksAtStartup;
} // namespace
} // namespace QvBase
