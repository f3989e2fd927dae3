#include "ParseDecimal.h"

#include <cwchar>

int ParseDecimal(const std::wstring& text)
{
    // long is 32 bits on Windows: out-of-range texts give LONG_MIN or LONG_MAX.
    return static_cast<int>(std::wcstol(text.c_str(), nullptr, 10));
}
