#pragma once

// Turns a fuzzer's bytes into the inputs of a target. Shared by the native
// (libFuzzer) build and the in-process driver under Wine.
#include <cstddef>
#include <cstdint>
#include <string>

namespace QvFuzz
{
// Every two bytes one UTF-16 code unit, low byte first; an odd last byte is
// dropped. NULs are kept: a target that needs a C string cuts at the first.
inline std::wstring WideUnits(const uint8_t* data, size_t size)
{
    std::wstring text;
    text.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return text;
}

// Every byte one character: readable seeds stay readable.
inline std::wstring WideBytes(const uint8_t* data, size_t size)
{
    return std::wstring(data, data + size);
}

// A broken invariant: the fuzzer keeps the input and stops. The message says
// which invariant.
[[noreturn]] void Fail(const char* what);

inline void Check(bool holds, const char* what)
{
    if (!holds)
        Fail(what);
}
} // namespace QvFuzz
