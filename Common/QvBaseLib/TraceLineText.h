#pragma once

#include <string>

namespace QvBase
{
// The text of one trace line, built piece by piece. Each piece reads as a
// wide C++ stream in the classic locale writes it (numbers in decimal, no
// grouping), without the stream library: only the types the lines use are
// accepted, so that a new type is a decision rather than a silent conversion
// (a bool or a LONG does not compile; cast it to int).
class CTraceLineText
{
public:
    CTraceLineText& operator<<(const wchar_t* text); // a null text adds nothing
    CTraceLineText& operator<<(const std::wstring& text);
    CTraceLineText& operator<<(int value);
    CTraceLineText& operator<<(unsigned long value); // DWORD
    template <typename T> CTraceLineText& operator<<(const T& value) = delete;

    const std::wstring& Text() const;

private:
    std::wstring text;
};
} // namespace QvBase
