#pragma once

#include <windows.h>

#include <string>

namespace QvBase
{
// The text of an error code: from the message module of the code's range
// (QvError.dll, ActiveDS.dll, NtDll.dll, wbem\wmiutils.dll) or from the
// system's table, in the product's language; "0x%08X (%u)" when none has it.
// A code of 0xFFFFFFFF stands for the calling thread's last error.
std::wstring DescribeError(unsigned int code);
// The same with up to four insert strings for %1 to %4 (%5 to %10 are empty).
std::wstring DescribeError(unsigned int code, const wchar_t* insert1,
                           const wchar_t* insert2 = nullptr, const wchar_t* insert3 = nullptr,
                           const wchar_t* insert4 = nullptr);

// FormatMessageW's text of a code from a message module, or from the
// system's table for a null module, in a language (0: the system's choice).
// Without arguments the inserts stay as they stand ("%1"): a text that holds
// them would otherwise fail to format. With arguments they fill %1 to %10.
// False when there is no such text.
bool FormatMessageText(HMODULE module, unsigned int code, DWORD language,
                       const DWORD_PTR* arguments, std::wstring& text);

// "0x%08X" of the code.
std::wstring FormatErrorCode(unsigned int code);

// The message module that describes a code, or nullptr for the system table.
const wchar_t* MessageModuleFor(unsigned int code);

// A message as FormatMessageW gave it, made ready to show: cut at its last
// carriage return, then every insert marker left removed (each '%' with the
// run of '%' signs and digits after it, and one space directly before it).
std::wstring CleanMessageText(std::wstring text);
} // namespace QvBase
