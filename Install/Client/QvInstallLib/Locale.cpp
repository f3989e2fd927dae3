#include "Locale.h"

#include <windows.h>

#include <string>

void SetLocale(const wchar_t* localeName)
{
    // GAP: one-line trace scope "SetLocale { <name>" once the trace engine exists.
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
