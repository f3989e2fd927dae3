// Definitions behind the native <windows.h> stand-in. A fuzzed helper that
// reaches the system is a finding: the stubs abort.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "ProductLocale.h"
#include "qvexception.h"

namespace
{
[[noreturn]] void Reached(const char* name)
{
    std::fprintf(stderr, "native fuzz build: %s reached\n", name);
    std::abort();
}
} // namespace

DWORD GetLastError()
{
    return 0;
}
void SetLastError(DWORD) {}
BOOL CloseHandle(HANDLE)
{
    Reached("CloseHandle");
}
BOOL ReleaseMutex(HANDLE)
{
    Reached("ReleaseMutex");
}
LONG RegCloseKey(HKEY)
{
    Reached("RegCloseKey");
}
BOOL CloseServiceHandle(SC_HANDLE)
{
    Reached("CloseServiceHandle");
}
void SysFreeString(BSTR)
{
    Reached("SysFreeString");
}
BOOL UnmapViewOfFile(const void*)
{
    Reached("UnmapViewOfFile");
}
HRESULT CoInitializeEx(void*, DWORD)
{
    Reached("CoInitializeEx");
}
void CoUninitialize()
{
    Reached("CoUninitialize");
}
HMODULE LoadLibraryExW(LPCWSTR, HANDLE, DWORD)
{
    Reached("LoadLibraryExW");
}
BOOL FreeLibrary(HMODULE)
{
    Reached("FreeLibrary");
}
HLOCAL LocalFree(HLOCAL)
{
    Reached("LocalFree");
}
LPWSTR lstrcpynW(LPWSTR, LPCWSTR, int)
{
    Reached("lstrcpynW");
}
DWORD FormatMessageW(DWORD, const void*, DWORD, DWORD, LPWSTR, DWORD, va_list*)
{
    Reached("FormatMessageW");
}
int MultiByteToWideChar(UINT, DWORD, const char*, int, LPWSTR, int)
{
    Reached("MultiByteToWideChar");
}
DWORD GetPrivateProfileSectionNamesW(LPWSTR, DWORD, LPCWSTR)
{
    Reached("GetPrivateProfileSectionNamesW");
}
DWORD GetPrivateProfileSectionW(LPCWSTR, LPWSTR, DWORD, LPCWSTR)
{
    Reached("GetPrivateProfileSectionW");
}
DWORD GetPrivateProfileStringW(LPCWSTR, LPCWSTR, LPCWSTR, LPWSTR, DWORD, LPCWSTR)
{
    Reached("GetPrivateProfileStringW");
}

int _vscwprintf(const wchar_t* format, va_list arguments)
{
    // vswprintf does not count without a buffer; the formats here are short.
    static wchar_t buffer[512];
    return std::vswprintf(buffer, sizeof buffer / sizeof buffer[0], format, arguments);
}

int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list arguments)
{
    return std::vswprintf(buffer, count, format, arguments);
}

namespace QvBase
{
DWORD GetProductLangId()
{
    Reached("GetProductLangId");
}

// Raised only when memory runs out, which the fuzzer reports on its own.
void ThrowError(unsigned int, const wchar_t*, int, const wchar_t*)
{
    Reached("QvBase::ThrowError");
}
} // namespace QvBase
