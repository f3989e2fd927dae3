#pragma once

#include <windows.h>

namespace QvBase
{
// The product's key under HKEY_LOCAL_MACHINE.
constexpr const wchar_t* kProductKey = L"SOFTWARE\\Dravisk\\Quorvel";

// The product's locale name ("es-ES") from the value "ProductLocale" of
// HKLM\SOFTWARE\Dravisk\Quorvel. On entry *size is the buffer's length in
// characters; on success or 122 it is set to 6 (five characters and the
// terminator). Returns a Win32 code: 87 for a null buffer or size, 13 for a
// value of the wrong type or length, 122 for a short buffer. When the key or
// value is missing, the main module's export "StandaloneProductLocale" (same
// contract) answers instead, if it has one.
DWORD GetProductLocale(wchar_t* buffer, DWORD* size);

// Signature of the main module's "StandaloneProductLocale" export.
using ProductLocaleFunction = DWORD(WINAPI*)(wchar_t* buffer, DWORD* size);

// The language of message lookups: the product locale's LCID, 1049 when it is
// unavailable. Computed by the first call and kept for the process.
DWORD GetProductLangId();

// The same rule, computed afresh on every call.
DWORD ReadProductLangId();
} // namespace QvBase
