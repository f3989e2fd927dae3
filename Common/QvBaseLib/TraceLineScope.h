#pragma once

#include "TraceLineText.h"
#include "TracePrefix.h"

namespace QvBase
{
// Prefix object of the install library at its current indentation, for lines
// written without opening a function context.
class CLibTracePrefix : public CTracePrefix
{
public:
    CLibTracePrefix();
};

// One trace line "Name { ... }": the body streams text into it (the pieces
// CTraceLineText takes), and the line is written at level 2 when the scope
// ends.
class CTraceLineScope
{
public:
    explicit CTraceLineScope(const wchar_t* function);
    ~CTraceLineScope();
    CTraceLineScope(const CTraceLineScope&) = delete;
    CTraceLineScope& operator=(const CTraceLineScope&) = delete;

    template <typename T> CTraceLineScope& operator<<(const T& value)
    {
        if (enabled)
            text << value;
        return *this;
    }

private:
    CLibTracePrefix prefix;
    bool enabled;
    CTraceLineText text;
};
} // namespace QvBase
