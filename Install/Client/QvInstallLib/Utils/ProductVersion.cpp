#include "ProductVersion.h"

#include "TextUtils.h"

#include <climits>
#include <cwchar>

namespace
{
// strtol rules on one piece; out-of-range values are held at the int limits.
int ParseNumber(const std::wstring& piece)
{
    const long value = std::wcstol(piece.c_str(), nullptr, 10);
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}
} // namespace

ProductVersion::ProductVersion(int major, int minor, int build, int revision)
    : numbers{major, minor, build, revision},
      text(QvBase::FormatText(L"%d.%d.%d.%d", major, minor, build, revision))
{
}

ProductVersion::ProductVersion(const std::wstring& given) : text(given)
{
    if (!text.empty() && text.back() == L'.')
        text.pop_back();
    const std::wstring terminated = text + L'.';
    size_t start = 0;
    for (int& number : numbers)
    {
        const size_t dot = terminated.find(L'.', start);
        if (dot == std::wstring::npos)
            break;
        number = ParseNumber(terminated.substr(start, dot - start));
        start = dot + 1;
    }
}

long long ProductVersion::Packed() const
{
    unsigned long long packed = 0;
    for (int number : numbers)
        packed = (packed << 16) | (static_cast<unsigned int>(number) & 0xFFFFu);
    return static_cast<long long>(packed);
}
