#include "Locale.h"

#include "TraceLineScope.h"

#include <windows.h>

#include <string>

void SetLocale(const wchar_t* localeName)
{
    QvBase::CTraceLineScope trace(L"SetLocale");
    trace << (localeName != nullptr ? localeName : L"");
    const LCID locale = LocaleNameToLCID(localeName, 0);

    // Resource lookup follows the thread's preferred UI languages first, then
    // its UI language; the thread locale alone no longer decides it.
    std::wstring languages(localeName);
    languages.push_back(L'\0'); // the list ends with an empty name
    ULONG count = 0;
    SetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, languages.c_str(), &count);
    SetThreadLocale(locale);
    SetThreadUILanguage(LANGIDFROMLCID(locale));
}
