#include "InstallSource.h"

#include "CmdLineParser.h"
#include "SetupOptions.h"

#include <gtest/gtest.h>
#include <shlwapi.h>

namespace
{
TEST(InstallSource, RelaunchCommandLine)
{
    struct Case
    {
        const wchar_t* arguments;
        const wchar_t* share;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"/script /gp /lang:x", L"\\\\host\\share\\dist",
         L"C:\\T\\QvSetup.exe /source:\"\\\\host\\share\\dist\"  /script /gp"},
        {L"", L"N:\\dist", L"C:\\T\\QvSetup.exe /source:\"N:\\dist\" "},
        {L"/JCSF /gp /Script", L"\\\\host\\share\\",
         L"C:\\T\\QvSetup.exe /source:\"\\\\host\\share\\\"  /script /gp /jcsf"},
    };
    for (const Case& c : cases)
    {
        const CCmdLineParser parser(c.arguments, /*caseSensitive=*/0);
        EXPECT_EQ(c.expected, BuildRelaunchCommandLine(L"C:\\T\\QvSetup.exe", c.share,
                                                       ReadSetupOptions(parser)));
    }
}

TEST(InstallSource, ShareRootArrivesWithItsTrailingBackslash)
{
    // The parser knows no escapes: "\"" ends the quoted value, the backslash stays.
    const CCmdLineParser parser(L"C:\\T\\QvSetup.exe /source:\"\\\\host\\share\\\"  /script", 0);
    EXPECT_STREQ(L"\\\\host\\share\\", parser.GetOptionValue(L"source"));
    EXPECT_TRUE(parser.HasOption(L"script"));
}

TEST(InstallSource, NetworkPathsAreRecognised)
{
    EXPECT_TRUE(PathIsNetworkPathW(L"\\\\host\\share\\dist"));
    EXPECT_FALSE(PathIsNetworkPathW(L"C:\\dist"));
}
} // namespace
