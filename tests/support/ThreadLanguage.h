#pragma once

#include <windows.h>

#include "TestFiles.h"

namespace QvTest
{
// Puts the calling thread's locale, UI language and preferred UI languages
// back as they were when the guard was made: tests that switch the language
// leave the next test the thread they found.
class CThreadLanguageGuard
{
public:
    CThreadLanguageGuard();
    ~CThreadLanguageGuard();
    CThreadLanguageGuard(const CThreadLanguageGuard&) = delete;
    CThreadLanguageGuard& operator=(const CThreadLanguageGuard&) = delete;

private:
    LCID locale;
    LANGID uiLanguage;
};
} // namespace QvTest
