#include "ThreadLanguage.h"

namespace QvTest
{
bool RunsUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

CThreadLanguageGuard::CThreadLanguageGuard()
    : locale(GetThreadLocale()), uiLanguage(GetThreadUILanguage())
{
}

CThreadLanguageGuard::~CThreadLanguageGuard()
{
    // An empty list with no flags clears the thread's preferred languages.
    ULONG count = 0;
    SetThreadPreferredUILanguages(0, nullptr, &count);
    SetThreadLocale(locale);
    SetThreadUILanguage(uiLanguage);
}
} // namespace QvTest
