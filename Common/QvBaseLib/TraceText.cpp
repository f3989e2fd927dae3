#include "TraceText.h"

#include <cstdio>
#include <vector>

namespace QvBase
{
namespace
{
// msvcrt's formatter: -1 when the text does not fit the count.
int FormatInto(wchar_t* buffer, size_t count, _locale_t locale, const wchar_t* format, va_list args)
{
    return _vsnwprintf_l(buffer, count, format, locale, args);
}

int FormatInto(char* buffer, size_t count, _locale_t locale, const char* format, va_list args)
{
    return _vsnprintf_l(buffer, count, format, locale, args);
}

template <typename Char>
std::basic_string<Char> FormatGrowing(_locale_t locale, const Char* format, va_list args)
{
    std::vector<Char> buffer(256);
    for (;;)
    {
        va_list copy;
        va_copy(copy, args);
        const int n = FormatInto(buffer.data(), buffer.size(), locale, format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buffer.size())
            return std::basic_string<Char>(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

void AppendFormat(std::string& out, const char* format, ...)
{
    char buffer[48];
    va_list args;
    va_start(args, format);
    const int n = _vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    out.append(buffer, n < 0 ? sizeof buffer : static_cast<size_t>(n));
}

std::wstring HexNumber(unsigned int value, int digits)
{
    wchar_t buffer[16];
    _snwprintf(buffer, 16, L"%0*X", digits, value);
    buffer[15] = L'\0';
    return buffer;
}

bool EndsWith(const std::wstring& text, wchar_t c)
{
    return !text.empty() && text.back() == c;
}

std::wstring EnvironmentDirectory(const wchar_t* name)
{
    wchar_t buffer[520];
    const DWORD n = GetEnvironmentVariableW(name, buffer, 520);
    return n > 0 && n < 520 ? std::wstring(buffer, n) : std::wstring();
}
} // namespace

std::wstring FormatTextV(_locale_t locale, const wchar_t* format, va_list args)
{
    return FormatGrowing(locale, format, args);
}

std::string FormatTextV(_locale_t locale, const char* format, va_list args)
{
    return FormatGrowing(locale, format, args);
}

std::string ToCodePage1251(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int n = WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                      0, nullptr, nullptr);
    std::string out(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(1251, 0, text.data(), static_cast<int>(text.size()), &out[0], n,
                            nullptr, nullptr);
    return out;
}

std::string TraceLineHeader(const SYSTEMTIME& t, unsigned int params, bool showName,
                            const std::wstring& sinkName, DWORD session, DWORD processId,
                            DWORD threadId, unsigned int level)
{
    std::string out;
    if (params & 0x2000)
        AppendFormat(out, "%02u.%02u.%04u ", t.wDay, t.wMonth, t.wYear);
    if (params & 0x1000)
    {
        AppendFormat(out, "%02u:%02u:%02u", t.wHour, t.wMinute, t.wSecond);
        if (params & 0x0400)
            AppendFormat(out, ".%03u", t.wMilliseconds);
    }
    // The bracketed columns are bounded at 48 bytes: the name at 45 characters.
    if (showName)
        out += "[" + ToCodePage1251(sinkName.substr(0, 45)) + "] ";
    if (params & 0x4000)
        AppendFormat(out, "[%08X] ", session);
    if (params & 0x0800)
        AppendFormat(out, "[%X:%X] ", processId, threadId);
    if (level == 4)
        out += "W> ";
    else if (level == 8)
        out += "E> ";
    return out;
}

std::wstring TraceDumpText(const wchar_t* title, const void* data, unsigned int size,
                           unsigned int flags)
{
    // Item width in bytes, items per line, and where " -" group marks stand.
    unsigned int width = 1, perLine = 32, group = 8;
    if (flags & 0x80)
        width = 4, perLine = 8, group = 0;
    else if (flags & 0x40)
        width = 2, perLine = 16, group = 8;

    const unsigned int count = size / width;
    const int indexDigits = size < 256u * width ? 2 : (size >= 0x10000u * width ? 8 : 4);
    const auto* bytes = static_cast<const unsigned char*>(data);

    std::wstring out = title != nullptr ? title : L"";
    for (unsigned int i = 0; i < count; ++i)
    {
        const unsigned int column = i % perLine;
        if (column == 0)
            out += L"\r\n " + HexNumber(i, indexDigits) + L":";
        else if (group != 0 && column % group == 0)
            out += L" -";
        unsigned int value = 0;
        for (unsigned int b = 0; b < width; ++b)
            value |= static_cast<unsigned int>(bytes[i * width + b]) << (8 * b);
        out += L" " + HexNumber(value, static_cast<int>(width * 2));
    }
    if (count % perLine != 0)
        out += L"\r\n";
    return out;
}

std::wstring TraceLogPath(const std::wstring& sinkName, unsigned int commonFileFlag,
                          const std::wstring& commonFileName, const std::wstring& tracePath)
{
    if (commonFileFlag != 0 && !commonFileName.empty())
        return commonFileName;

    std::wstring file = commonFileFlag == 0 ? sinkName : L"QvTrace";
    const size_t dot = file.find_last_of(L'.');
    if (EndsWith(file, L'.'))
        file += L"log";
    else if (dot == std::wstring::npos || file.size() - dot - 1 != 3)
        file += L".log";

    std::wstring dir = tracePath;
    for (const wchar_t* name : {L"Temp", L"Tmp", L"windir"})
    {
        if (!dir.empty())
            break;
        dir = EnvironmentDirectory(name);
    }
    if (dir.empty())
        dir = L"C:\\";
    if (!EndsWith(dir, L'\\'))
        dir += L'\\';
    return dir + file;
}
} // namespace QvBase
