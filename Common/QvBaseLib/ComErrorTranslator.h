#pragma once

#include <windows.h>

#include <oaidl.h>

namespace QvBase
{
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
