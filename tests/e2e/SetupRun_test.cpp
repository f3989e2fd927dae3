// End-to-end runs of QvSetup.exe as a process in the Wine prefix.
#include "ProcessRunner.h"

#include <gtest/gtest.h>

namespace
{
DWORD RunSetup(const std::wstring& arguments)
{
    const QvTest::ProcessResult r =
        QvTest::RunProcess(QvTest::BinDir() + L"QvSetup.exe", arguments);
    EXPECT_TRUE(r.started) << "start error " << r.startError;
    EXPECT_TRUE(r.finished);
    return r.exitCode;
}

// The single-instance event belongs to whoever installs: this program only
// looks for it. While it exists, every non-SCCM run stops with 1618.
TEST(SingleInstanceMachine, EventPresentStopsTheRunWith1618)
{
    HANDLE event =
        CreateEventW(nullptr, TRUE, FALSE, L"Global\\{3B9E6F20-8C41-4E7A-9D25-61F0A4C7B8E3}");
    ASSERT_NE(nullptr, event);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING), RunSetup(L"/script"));
    CloseHandle(event);
}

// An interactive run makes its start-up window before the guard; had the
// window failed, the run would have ended with -1 instead.
TEST(SingleInstanceMachine, InteractiveRunGetsPastTheStartupWindow)
{
    HANDLE event =
        CreateEventW(nullptr, TRUE, FALSE, L"Global\\{3B9E6F20-8C41-4E7A-9D25-61F0A4C7B8E3}");
    ASSERT_NE(nullptr, event);
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING), RunSetup(L""));
    CloseHandle(event);
}
} // namespace
