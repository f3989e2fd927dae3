#pragma once

// Linux stand-in for <windows.h>, for the native fuzz build only: the types,
// constants and declarations that the fuzzed helpers' source files name. The
// helpers under test call none of the Windows functions; their definitions
// (WindowsStubs.cpp) abort when reached, so a path that would reach the
// system shows at once. wchar_t is 32 bits here; the targets feed it UTF-16
// code units.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cwchar>

typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int BOOL;
typedef uint16_t WORD;
typedef uint16_t LANGID;
typedef uintptr_t DWORD_PTR;
typedef void* HANDLE;
typedef struct HINSTANCE__* HMODULE;
typedef void* HLOCAL;
typedef wchar_t* LPWSTR;
typedef const wchar_t* LPCWSTR;
typedef int32_t HRESULT;
typedef struct HKEY__* HKEY;
typedef struct SC_HANDLE__* SC_HANDLE;
typedef wchar_t* BSTR;
typedef struct _GUID
{
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef const GUID& REFIID;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define COINIT_MULTITHREADED 0x0

#define WINAPI

#define ERROR_OUTOFMEMORY 14L
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000

DWORD GetLastError();
void SetLastError(DWORD code);
BOOL CloseHandle(HANDLE handle);
BOOL ReleaseMutex(HANDLE mutex);
LONG RegCloseKey(HKEY key);
BOOL CloseServiceHandle(SC_HANDLE service);
void SysFreeString(BSTR text);
BOOL UnmapViewOfFile(const void* view);
HRESULT CoInitializeEx(void* reserved, DWORD model);
void CoUninitialize();
HMODULE LoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags);
BOOL FreeLibrary(HMODULE module);
HLOCAL LocalFree(HLOCAL memory);
LPWSTR lstrcpynW(LPWSTR target, LPCWSTR source, int length);
DWORD FormatMessageW(DWORD flags, const void* source, DWORD id, DWORD language, LPWSTR buffer,
                     DWORD size, va_list* arguments);
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* text, int length, LPWSTR wide,
                        int wideLength);
DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR path);
DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR path);
DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR fallback, LPWSTR buffer,
                               DWORD size, LPCWSTR path);

// msvcrt's counting and bounded wide formats. The fuzzed paths format only
// numbers, where Microsoft's and C99's rules agree.
int _vscwprintf(const wchar_t* format, va_list arguments);
int _vsnwprintf(wchar_t* buffer, size_t count, const wchar_t* format, va_list arguments);
