#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

namespace QvBase
{
// printf-style wide formatting with Microsoft semantics (%s is a wide string).
std::wstring FormatText(const wchar_t* format, ...);
std::wstring FormatTextV(const wchar_t* format, va_list arguments);

// 8-bit text in the given code page as wide text; a null text gives "".
std::wstring MultiByteToWide(const char* text, UINT codePage);
} // namespace QvBase
