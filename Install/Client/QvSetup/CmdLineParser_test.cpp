#include "CmdLineParser.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace
{
// An expected option: name as looked up, and its value (nullptr = absent).
using Expect = std::pair<const wchar_t*, const wchar_t*>;

struct ParseCase
{
    const wchar_t* text;
    bool result;
    std::vector<Expect> expected;
};

const ParseCase kCases[] = {
    {L"/script /gp", true, {{L"script", L""}, {L"gp", L""}}},
    {L"/SOURCE:\"\\\\h\\s\\d x\" /Script", true, {{L"source", L"\\\\h\\s\\d x"}, {L"script", L""}}},
    {L"-timeout:30", true, {{L"timeout", L"30"}}},
    {L"/timeout: 30", true, {{L"timeout", L""}, {L"30", nullptr}}},
    {L"/a:b:c", true, {{L"a", L"b:c"}, {L"b", nullptr}}},
    {L"/gp:", true, {{L"gp", L""}}},
    {L"/:x /y", true, {{L"", nullptr}, {L"x", nullptr}, {L"y", L""}}},
    {L"/:x", false, {{L"", nullptr}, {L"x", nullptr}}},
    {L"/a /a:1", true, {{L"a", L""}}},
    {L"/a:1 /A:2", true, {{L"a", L"1"}}},
    {L"/source:\"C:\\x", true, {{L"source", L"C:\\x"}}},
    {L"/source:\"C:\\x /gp", true, {{L"source", L"C:\\x /gp"}, {L"gp", nullptr}}},
    {L"/source:\"\" /gp", true, {{L"source", L""}, {L"gp", L""}}},
    {L"/source:\"", true, {{L"source", L""}}},
    {L"/src:C:\\a-b/c /gp", true, {{L"src", L"C:\\a-b/c"}, {L"gp", L""}, {L"b", nullptr}}},
    {L"/src:C:\\last", true, {{L"src", L"C:\\last"}}},
    {L"a-b", true, {{L"b", L""}}},
    {L"   ", false, {}},
    {L"plain words only", false, {}},
    {L"", false, {}},
    {L"/", false, {}},
    {L"-", false, {}},
    {L"/sccm /install", true, {{L"SCCM", L""}, {L"Install", L""}}},
    {L"/x\t/y", true, {{L"x\t/y", L""}, {L"x", nullptr}}},
    {L"/q:\"a b:c\" d", true, {{L"q", L"a b:c"}, {L"d", nullptr}}},
    {L"/q:\"a\"/w", true, {{L"q", L"a"}, {L"w", L""}}},
    {L"/\x00C4/\x00E4", true, {{L"\x00C4/\x00E4", L""}, {L"\x00E4/\x00E4", nullptr}}},
};

class CmdLineParse : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(CmdLineParse, StoresTheExpectedOptions)
{
    const ParseCase& c = GetParam();
    CCmdLineParser parser(nullptr, 0);
    EXPECT_EQ(c.result, parser.Parse(c.text));
    for (const auto& [name, value] : c.expected)
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(value != nullptr, parser.HasOption(name));
        const wchar_t* got = parser.GetOptionValue(name);
        if (value == nullptr)
            EXPECT_EQ(nullptr, got);
        else
            EXPECT_STREQ(value, got);
    }
}

INSTANTIATE_TEST_SUITE_P(Grammar, CmdLineParse, ::testing::ValuesIn(kCases));

TEST(CmdLineParser, CaseSensitiveParserKeepsNamesAsWritten)
{
    CCmdLineParser parser(L"/Script /GP:Yes", 1);
    EXPECT_TRUE(parser.HasOption(L"Script"));
    EXPECT_FALSE(parser.HasOption(L"script"));
    EXPECT_STREQ(L"Yes", parser.GetOptionValue(L"GP"));
}

TEST(CmdLineParser, ValuesKeepTheirCase)
{
    CCmdLineParser parser(L"/Source:C:\\Dist", 0);
    EXPECT_STREQ(L"C:\\Dist", parser.GetOptionValue(L"SOURCE"));
}

TEST(CmdLineParser, ParseReplacesEarlierOptions)
{
    CCmdLineParser parser(L"/gp", 0);
    EXPECT_TRUE(parser.Parse(L"/script"));
    EXPECT_FALSE(parser.HasOption(L"gp"));
    EXPECT_TRUE(parser.HasOption(L"script"));
}

TEST(CmdLineParser, NullTextChangesNothing)
{
    CCmdLineParser parser(L"/gp", 0);
    EXPECT_FALSE(parser.Parse(nullptr));
    EXPECT_TRUE(parser.HasOption(L"gp"));
    EXPECT_FALSE(parser.HasOption(nullptr));
    EXPECT_EQ(nullptr, parser.GetOptionValue(nullptr));
}
} // namespace
