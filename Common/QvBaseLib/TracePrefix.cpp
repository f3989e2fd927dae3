#include "TracePrefix.h"

namespace QvBase
{
CTracePrefix::CTracePrefix(CQvTrace* sink, const wchar_t* text, int tag) : sink(sink), tag(tag)
{
    try
    {
        if (text != nullptr && IsEnabled())
            prefix = text;
    }
    catch (...)
    {
    }
}

std::wstring CTracePrefix::Prefixed(const wchar_t* text) const
{
    return prefix.empty() ? std::wstring(text != nullptr ? text : L"")
                          : prefix + L" " + (text != nullptr ? text : L"");
}

void CTracePrefix::Trace(unsigned int level, const wchar_t* format, ...)
{
    // A disabled sink costs two mask tests and builds no text.
    if (sink == nullptr || !sink->IsEnabled() || !sink->IsLevelEnabled(level))
        return;
    va_list args;
    va_start(args, format);
    TraceV(level, format, args);
    va_end(args);
}

void CTracePrefix::TraceV(unsigned int level, const wchar_t* format, va_list args)
{
    if (sink == nullptr || !sink->IsEnabled() || !sink->IsLevelEnabled(level))
        return;
    CLastErrorKeeper keep;
    try
    {
        if (prefix.empty())
            sink->TraceVW(level, format, args);
        else
            sink->TraceVW(level, Prefixed(format).c_str(), args);
    }
    catch (...)
    {
    }
}

void CTracePrefix::TraceDump(unsigned int level, const wchar_t* title, const void* data,
                             unsigned int size, unsigned int flags)
{
    if (sink == nullptr || !sink->IsEnabled() || !sink->IsLevelEnabled(level))
        return;
    CLastErrorKeeper keep;
    try
    {
        sink->TraceDump(level, Prefixed(title).c_str(), data, size, flags);
    }
    catch (...)
    {
    }
}

bool CTracePrefix::IsEnabled()
{
    return sink != nullptr && sink->IsEnabled();
}

void CTracePrefix::SetIndent(int count, wchar_t character)
{
    prefix.assign(count > 0 ? static_cast<size_t>(count) : 0, character);
}

void CTracePrefix::SetPrefix(const wchar_t* text)
{
    if (text != nullptr && *text != L'\0')
        prefix = text;
    else
        prefix.clear();
}

const std::wstring& CTracePrefix::GetPrefix() const
{
    return prefix;
}
int CTracePrefix::GetTag() const
{
    return tag;
}
int CTracePrefix::GetTagAgain() const
{
    return tag;
}
} // namespace QvBase
