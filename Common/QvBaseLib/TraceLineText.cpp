#include "TraceLineText.h"

#include "TextUtils.h"

namespace QvBase
{
CTraceLineText& CTraceLineText::operator<<(const wchar_t* piece)
{
    if (piece != nullptr)
        text += piece;
    return *this;
}

CTraceLineText& CTraceLineText::operator<<(const std::wstring& piece)
{
    text += piece;
    return *this;
}

CTraceLineText& CTraceLineText::operator<<(int value)
{
    text += FormatText(L"%d", value);
    return *this;
}

CTraceLineText& CTraceLineText::operator<<(unsigned long value)
{
    text += FormatText(L"%lu", value);
    return *this;
}

const std::wstring& CTraceLineText::Text() const
{
    return text;
}
} // namespace QvBase
