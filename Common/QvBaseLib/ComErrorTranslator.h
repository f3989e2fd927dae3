#pragma once

#include <windows.h>

#include <oaidl.h>

#include <string>

namespace QvBase
{
// The text the COM error object gives for a code: the system's message in
// the user's language with its final line end removed, its inserts left as
// they stand; else "IDispatch error #n" for the dispatch range or
// "Unknown error 0x...".
std::wstring ComErrorMessage(HRESULT code);

// The COM error handler of the compiler's COM support: every failed COM call
// made through the smart pointers arrives here and leaves as a CQvError, code
// 0xE6060001 (no error information) or 0xE6060002 (with it).
class CComErrorTranslator
{
public:
    [[noreturn]] static void WINAPI Translator(HRESULT code, IErrorInfo* info);
    // Registers Translator as the process's COM error handler.
    static void Install();
};
} // namespace QvBase
