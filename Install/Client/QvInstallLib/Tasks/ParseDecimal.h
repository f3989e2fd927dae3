#pragma once

#include <string>

// The number a decimal text starts with, as the C library's wcstol reads it
// in base 10: leading white space and a sign are accepted, reading stops at
// the first character that is not a digit, and a text without digits gives 0.
int ParseDecimal(const std::wstring& text);
