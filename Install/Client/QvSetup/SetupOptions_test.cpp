#include "SetupOptions.h"

#include "CmdLineParser.h"

#include <gtest/gtest.h>

namespace
{
CSetupOptions Read(const wchar_t* commandLine)
{
    return ReadSetupOptions(CCmdLineParser(commandLine, /*caseSensitive=*/0));
}

TEST(SetupOptions, FlagsAreReadWhateverTheirCase)
{
    const CSetupOptions options = Read(L"QvSetup.exe /SCRIPT -Gp /jcsf /other");
    EXPECT_TRUE(options.script);
    EXPECT_TRUE(options.groupPolicy);
    EXPECT_TRUE(options.jcsf);
    EXPECT_FALSE(options.sccm);
    EXPECT_FALSE(options.source.has_value());
}

TEST(SetupOptions, SourceWithoutValueIsPresentAndEmpty)
{
    const CSetupOptions empty = Read(L"QvSetup.exe /source");
    ASSERT_TRUE(empty.source.has_value());
    EXPECT_EQ(L"", *empty.source);
    const CSetupOptions given = Read(L"QvSetup.exe /source:\"N:\\dist\" /sccm");
    ASSERT_TRUE(given.source.has_value());
    EXPECT_EQ(L"N:\\dist", *given.source);
    EXPECT_TRUE(given.sccm);
}
} // namespace
