#include "LogDirectory.h"

#include "TraceConfig.h"

#include <gtest/gtest.h>

namespace
{
TEST(LogDirectory, DefaultIsBelowProgramData)
{
    wchar_t programData[MAX_PATH] = {};
    ASSERT_NE(0u, GetEnvironmentVariableW(L"ProgramData", programData, MAX_PATH));
    EXPECT_EQ(std::wstring(programData) + L"\\Dravisk\\Quorvel\\Logs", GetDefaultLogDirectory());
}

TEST(LogDirectory, PreparingMakesTheWholeChainAndKeepsAnExistingOne)
{
    QvTest::CTempDir dir(L"QvLogDirectoryTest");
    const std::wstring logs = dir / L"Dravisk\\Quorvel\\Logs";
    PrepareLogDirectory(logs);
    EXPECT_TRUE(QvTest::FileExists(logs));
    const std::wstring file = logs + L"\\kept.log";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    PrepareLogDirectory(logs);
    EXPECT_TRUE(QvTest::FileExists(file));
}
} // namespace
