#include "InstallContextVariants.h"

#include "QvInstError.h"
#include "RaisedError.h"
#include "ResponseFile.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(InteractiveInstallContext, SourceAsFoundRootThreeLevelsUpNothingLoaded)
{
    HWND window = reinterpret_cast<HWND>(0x1234);
    CInteractiveInstallContext context(L"es-ES", L"C:\\dist\\Setup\\Client\\x64", window);
    EXPECT_FALSE(context.IsSilent());
    EXPECT_EQ(window, context.GetWindow());
    EXPECT_EQ(L"es-ES", context.GetLocaleName());
    EXPECT_EQ(L"C:\\dist\\Setup\\Client\\x64", context.GetSource());
    EXPECT_EQ(L"C:\\dist\\", context.GetSourceRoot());
    const auto responseFile = context.GetResponseFile();
    EXPECT_EQ(L"", responseFile->GetFileName());
    EXPECT_EQ(L"C:\\dist\\Setup\\Client\\x64", responseFile->GetWellKnownValue(2));
    EXPECT_EQ(L"C:\\dist\\", responseFile->GetWellKnownValue(3));
    for (const wchar_t* section : {L"core", L"local", L"disk", L"sandbox"})
        EXPECT_EQ(0, responseFile->GetAction(section)) << section;
}

// A path the shell cannot combine leaves the root empty, never cut short.
TEST(InteractiveInstallContext, OverlongSourceLeavesTheRootEmpty)
{
    const std::wstring longDir = L"C:\\" + std::wstring(600, L'a');
    CInteractiveInstallContext context(L"es-ES", longDir, nullptr);
    EXPECT_EQ(longDir, context.GetSource());
    EXPECT_EQ(L"", context.GetSourceRoot());
}

class SrvInstallContext : public ::testing::Test
{
protected:
    QvTest::CTempDir dir{L"QvSrvInstallContextTest"};
};

TEST_F(SrvInstallContext, SilentWithSourceAndRootFromTheResponseFile)
{
    ASSERT_TRUE(QvTest::WriteUtf16File(dir / L"QvInst.rsp",
                                       L"[Common]\r\nSource=\\\\server\\share\\dist\r\n"));
    CSrvInstallContext context(L"es-ES", dir.Path(), nullptr);
    EXPECT_TRUE(context.IsSilent());
    EXPECT_EQ(nullptr, context.GetWindow());
    EXPECT_EQ(L"es-ES", context.GetLocaleName());
    EXPECT_EQ(L"\\\\server\\share\\dist", context.GetSource());
    EXPECT_EQ(L"\\\\server\\share\\dist", context.GetSourceRoot());
    EXPECT_EQ(dir / L"QvInst.rsp", context.GetResponseFile()->GetFileName());
    EXPECT_NE(nullptr, context.GetMsgWriter());
}

TEST_F(SrvInstallContext, ResponseFileWithoutSourceGivesEmptySourceAndRoot)
{
    ASSERT_TRUE(
        QvTest::WriteUtf16File(dir / L"QvInst.rsp", L"[Common]\r\nInstalldir=C:\\Quorvel\r\n"));
    CSrvInstallContext context(L"es-ES", dir.Path(), nullptr);
    EXPECT_EQ(L"", context.GetSource());
    EXPECT_EQ(L"", context.GetSourceRoot());
    context.GetResponseFile()->SetWellKnownValue(2, L"C:\\later");
    EXPECT_EQ(L"C:\\later", context.GetSource()) << "an empty source is read again";
}

TEST_F(SrvInstallContext, MissingResponseFileRaisesFileNotFound)
{
    EXPECT_EQ(2u, QvTest::CodeOfErrorRaisedBy(
                      [&] { CSrvInstallContext context(L"es-ES", dir.Path(), nullptr); }));
}
} // namespace
