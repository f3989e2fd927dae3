#include "Locale.h"

#include "TraceLineScope.h"

#include <windows.h>

#include <string>

void SetLocale(const wchar_t* localeName)
{
    QvBase::CTraceLineScope trace(L"SetLocale");
    if (localeName == nullptr)
        return; // no name, nothing to set (LocaleNameToLCID would read it as the user's default)
    trace << localeName;
    const LCID locale = LocaleNameToLCID(localeName, /*flags=*/0);

    // Resource lookup follows the thread's preferred UI languages first, then
    // its UI language; the thread locale alone no longer decides it.
    std::wstring languages(localeName);
    languages.push_back(L'\0'); // the list ends with an empty name
    ULONG count = 0;
    SetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, languages.c_str(), &count);
    SetThreadLocale(locale);
    SetThreadUILanguage(LANGIDFROMLCID(locale));
}
