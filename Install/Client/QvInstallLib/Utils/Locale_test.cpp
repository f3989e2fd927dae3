#include "Locale.h"

#include "ThreadLanguage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct LocaleCase
{
    const wchar_t* name;
    LCID locale;
};

const LocaleCase kLocales[] = {
    {L"es-ES", 3082},
    {L"ru-RU", 1049},
    {L"en-US", 1033},
};

// The thread's preferred UI languages as one name per entry.
std::vector<std::wstring> ThreadPreferredLanguages()
{
    ULONG count = 0;
    ULONG length = 0;
    if (!GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length))
        return {};
    std::vector<wchar_t> buffer(length);
    if (!GetThreadPreferredUILanguages(MUI_LANGUAGE_NAME, &count, buffer.data(), &length))
        return {};
    std::vector<std::wstring> names;
    for (const wchar_t* p = buffer.data(); *p != L'\0'; p += names.back().size() + 1)
        names.emplace_back(p);
    return names;
}

TEST(SetLocale, NameSetsTheThreadLocale)
{
    QvTest::CThreadLanguageGuard guard;
    for (const LocaleCase& c : kLocales)
    {
        SetLocale(c.name);
        EXPECT_EQ(c.locale, GetThreadLocale()) << c.name;
    }
}

TEST(SetLocale, NameSetsTheThreadUiLanguages)
{
    if (QvTest::RunsUnderWine())
        GTEST_SKIP() << "Wine accepts SetThreadUILanguage and SetThreadPreferredUILanguages "
                        "but keeps neither; there the thread locale picks resources";
    QvTest::CThreadLanguageGuard guard;
    for (const LocaleCase& c : kLocales)
    {
        SetLocale(c.name);
        EXPECT_EQ(LANGIDFROMLCID(c.locale), GetThreadUILanguage()) << c.name;
        const std::vector<std::wstring> preferred = ThreadPreferredLanguages();
        ASSERT_EQ(1u, preferred.size()) << c.name;
        EXPECT_EQ(c.name, preferred[0]);
    }
}

// A name the system does not know maps to locale 0, the neutral locale:
// SetThreadLocale either refuses it or takes it as the user's default. Either
// way the thread is left with a real locale and nothing fails.
TEST(SetLocale, UnknownNameLeavesARealLocale)
{
    QvTest::CThreadLanguageGuard guard;
    SetLocale(L"es-ES");
    SetLocale(L"xx-NOWHERE");
    const LCID locale = GetThreadLocale();
    EXPECT_TRUE(locale == 3082 || locale == GetUserDefaultLCID()) << locale;
}

TEST(SetLocale, NullNameChangesNothing)
{
    QvTest::CThreadLanguageGuard guard;
    SetLocale(L"es-ES");
    SetLocale(nullptr);
    EXPECT_EQ(3082u, GetThreadLocale());
}
} // namespace
