#include "TextUtils.h"

#include <gtest/gtest.h>

namespace
{
TEST(TextUtils, FormatTextUsesWideStrings)
{
    EXPECT_EQ(L"a wide 7 0x0000002A", QvBase::FormatText(L"a %s %u 0x%08X", L"wide", 7u, 42u));
    EXPECT_EQ(std::wstring(1000, L'x') + L"!",
              QvBase::FormatText(L"%s!", std::wstring(1000, L'x').c_str()));
    EXPECT_EQ(L"", QvBase::FormatText(nullptr));
}

TEST(TextUtils, MultiByteToWideConvertsByCodePage)
{
    const struct
    {
        const char* text;
        UINT codePage;
        const wchar_t* wide;
    } cases[] = {
        {"plain", CP_ACP, L"plain"},
        {"\xcf\xf0\xe8", 1251, L"\x041f\x0440\x0438"},
        {"\xc3\xb1"
         "a",
         CP_UTF8,
         L"\x00f1"
         L"a"},
        {"\xf0\x9f\x98\x80", CP_UTF8, L"\xd83d\xde00"},
        {"", CP_UTF8, L""},
        {nullptr, CP_UTF8, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.wide), QvBase::MultiByteToWide(c.text, c.codePage))
            << (c.text ? c.text : "(null)");
}
} // namespace
