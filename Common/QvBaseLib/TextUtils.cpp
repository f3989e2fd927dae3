#include "TextUtils.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace QvBase
{
std::wstring FormatText(const wchar_t* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    std::wstring text = FormatTextV(format, arguments);
    va_end(arguments);
    return text;
}

std::wstring FormatTextV(const wchar_t* format, va_list arguments)
{
    if (format == nullptr)
        return std::wstring();
    va_list counting;
    va_copy(counting, arguments);
    const int length = _vscwprintf(format, counting);
    va_end(counting);
    if (length <= 0)
        return std::wstring();
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    _vsnwprintf(buffer.data(), buffer.size(), format, arguments);
    return std::wstring(buffer.data(), static_cast<size_t>(length));
}

std::wstring MultiByteToWide(const char* text, UINT codePage)
{
    if (text == nullptr)
        return std::wstring();
    // One byte never makes more than one UTF-16 unit.
    const size_t length = std::strlen(text);
    std::vector<wchar_t> buffer(length + 1, L'\0');
    MultiByteToWideChar(codePage, 0, text, -1, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data());
}
} // namespace QvBase
