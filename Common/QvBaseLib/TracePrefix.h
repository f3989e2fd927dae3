#pragma once

#include "QvTrace.h"

#include <string>

namespace QvBase
{
// Writes lines to a sink with a text (in practice, indentation) in front of
// every line. The prefix becomes part of the format: a '%' in it would be
// read as a conversion.
class CTracePrefix
{
public:
    CTracePrefix(CQvTrace* sink, const wchar_t* text, int tag);
    CTracePrefix(const CTracePrefix&) = delete;
    CTracePrefix& operator=(const CTracePrefix&) = delete;
    virtual ~CTracePrefix() = default;

    virtual void Trace(unsigned int level, const wchar_t* format, ...);
    virtual void TraceV(unsigned int level, const wchar_t* format, va_list args);
    virtual void TraceDump(unsigned int level, const wchar_t* title, const void* data,
                           unsigned int size, unsigned int flags);
    virtual bool IsEnabled();
    virtual void SetIndent(int count, wchar_t character);
    virtual void SetPrefix(const wchar_t* text);
    virtual const std::wstring& GetPrefix() const;
    virtual int GetTag() const;
    virtual int GetTagAgain() const; // a second slot with the same answer

protected:
    CQvTrace* sink;
    std::wstring prefix;
    int tag;

private:
    std::wstring Prefixed(const wchar_t* text) const;
};
} // namespace QvBase
