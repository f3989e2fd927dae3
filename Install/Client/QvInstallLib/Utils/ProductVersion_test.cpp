#include "ProductVersion.h"

#include <gtest/gtest.h>

namespace
{
struct ParseCase
{
    const wchar_t* given;
    int numbers[4];
    const wchar_t* text;
};

const ParseCase kParseCases[] = {
    {L"5.2.20314.0", {5, 2, 20314, 0}, L"5.2.20314.0"},
    {L"5.2", {5, 2, 0, 0}, L"5.2"},
    {L"abc", {0, 0, 0, 0}, L"abc"},
    {L"", {0, 0, 0, 0}, L""},
    {L"6.0.0.0.", {6, 0, 0, 0}, L"6.0.0.0"},
    {L"1.2.3.4.5.6", {1, 2, 3, 4}, L"1.2.3.4.5.6"},
    {L" 7.-1.+3.x9", {7, -1, 3, 0}, L" 7.-1.+3.x9"},
    {L"5..1", {5, 0, 1, 0}, L"5..1"},
    {L"99999999999.1", {2147483647, 1, 0, 0}, L"99999999999.1"},
};

TEST(ProductVersion, TextIsReadIntoFourNumbers)
{
    for (const ParseCase& c : kParseCases)
    {
        const ProductVersion v{std::wstring(c.given)};
        EXPECT_EQ(c.numbers[0], v.Major()) << c.given;
        EXPECT_EQ(c.numbers[1], v.Minor()) << c.given;
        EXPECT_EQ(c.numbers[2], v.Build()) << c.given;
        EXPECT_EQ(c.numbers[3], v.Revision()) << c.given;
        EXPECT_EQ(std::wstring(c.text), v.Text()) << c.given;
    }
}

TEST(ProductVersion, NumbersAreFormattedIntoText)
{
    EXPECT_EQ(L"5.2.20314.0", ProductVersion(5, 2, 20314, 0).Text());
    EXPECT_EQ(L"-1.0.0.7", ProductVersion(-1, 0, 0, 7).Text());
    EXPECT_EQ(L"0.0.0.0", ProductVersion().Text());
}

TEST(ProductVersion, PackingOrdersVersionsAndTakesEachNumberModulo65536)
{
    EXPECT_EQ(0x000500024F5A0000LL, ProductVersion(5, 2, 20314, 0).Packed());
    EXPECT_EQ(0, ProductVersion(0, 0, 0, 0).Packed());
    EXPECT_EQ(ProductVersion(1, 2, 3, 4).Packed(), ProductVersion(65537, 2, 3, 65540).Packed());
    // The build outweighs any revision.
    EXPECT_LT(ProductVersion(5, 2, 20313, 65535).Packed(), ProductVersion(5, 2, 20314, 0).Packed());
    // A major number from 32768 up packs below zero (signed comparison).
    EXPECT_LT(ProductVersion(32768, 0, 0, 0).Packed(), 0);
}
} // namespace
