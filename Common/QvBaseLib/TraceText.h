#pragma once

#include <windows.h>

#include <cstdarg>
#include <locale.h>
#include <string>

namespace QvBase
{
// Printf-style formatting with Microsoft semantics (%s of a wide format is a
// wide string) in the given locale; the buffer doubles until the text fits.
std::wstring FormatTextV(_locale_t locale, const wchar_t* format, va_list args);
std::string FormatTextV(_locale_t locale, const char* format, va_list args);

// Wide text in code page 1251, one byte per character; characters outside it
// become the converter's default character.
std::string ToCodePage1251(const std::wstring& text);

// The columns in front of a trace message, in their order: date, time,
// milliseconds, sink name, session, process and thread, level tag.
std::string TraceLineHeader(const SYSTEMTIME& time, unsigned int params, bool showName,
                            const std::wstring& sinkName, DWORD session, DWORD processId,
                            DWORD threadId, unsigned int level);

// Title and hexadecimal dump lines of a memory block: 32-bit words with flag
// 0x80, 16-bit words with 0x40, else bytes.
std::wstring TraceDumpText(const wchar_t* title, const void* data, unsigned int size,
                           unsigned int flags);

// Full path of a sink's log file from the configuration read.
std::wstring TraceLogPath(const std::wstring& sinkName, unsigned int commonFileFlag,
                          const std::wstring& commonFileName, const std::wstring& tracePath);
} // namespace QvBase
