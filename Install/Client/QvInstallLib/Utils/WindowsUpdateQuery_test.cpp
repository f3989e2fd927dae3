#include "WindowsUpdateQuery.h"

#include "TraceConfig.h"

#include <gtest/gtest.h>

namespace
{
TEST(WindowsUpdateQuery, TextThatIsNoNumberIsNeverQueried)
{
    EXPECT_FALSE(IsWindowsUpdateInstalledViaWMI(nullptr));
    EXPECT_FALSE(IsWindowsUpdateInstalledViaWMI(L""));
    EXPECT_FALSE(IsWindowsUpdateInstalledViaWMI(L"1234567' or hotfixid like '%"));
}

// Wine's WMI lists one placeholder update, KB1234567, and nothing else.
TEST(WindowsUpdateQuery, InstalledUpdateIsFoundAndAMissingOneIsNot)
{
    if (!QvTest::RunsUnderWine())
        GTEST_SKIP() << "the installed updates of a Windows machine are not known here";
    EXPECT_TRUE(IsWindowsUpdateInstalledViaWMI(L"1234567"));
    EXPECT_FALSE(IsWindowsUpdateInstalledViaWMI(L"2919355"));
}
} // namespace
