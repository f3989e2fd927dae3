#include "ThreadLanguage.h"

namespace QvTest
{
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
