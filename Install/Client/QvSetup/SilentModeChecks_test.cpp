#include "SilentModeChecks.h"

#include "BuildInfo.h"
#include "ProductQueries.h"
#include "QvTrace.h"
#include "RegistryState.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
TEST(SilentModeChecks, OwnVersionIsTheBuildVersion)
{
    const ProductVersion own = GetSetupVersion();
    const int* v = BuildInfo::kVersion;
    EXPECT_EQ(ProductVersion(v[0], v[1], v[2], v[3]).Packed(), own.Packed());
}

class SilentModeChecksMachine : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallVersionKey); }
    std::string Log() const { return trace.Log(L"QvSetup"); }

    QvTest::CKeyBackup install{HKEY_LOCAL_MACHINE, kInstallVersionKey};
    QvTest::CTempDir dir{L"QvSilentModeChecksTest"};
    QvTest::CProcessTraceCapture trace{dir.Path(), 2};
};

TEST_F(SilentModeChecksMachine, OnlyANewerInstalledVersionStopsTheRun)
{
    const struct
    {
        const wchar_t* installed;
        bool goesOn;
    } cases[] = {
        {L"5.2.20314.0", true},  {L"5.2.20315.0", false},    {L"6.0.0.0", false},
        {L"5.2.20313.5", true},  {L"5.1.65535.65535", true}, {L"abc", true},
        {L"5.2.20314.1", false},
    };
    for (const auto& c : cases)
    {
        QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallVersionKey, L"version", c.installed);
        EXPECT_EQ(c.goesOn, SilentModeChecks()) << c.installed;
    }
}

TEST_F(SilentModeChecksMachine, NothingInstalledGoesOn)
{
    EXPECT_TRUE(SilentModeChecks()) << "no key";
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallVersionKey, L"other", L"x");
    EXPECT_TRUE(SilentModeChecks()) << "no version value";
}

TEST_F(SilentModeChecksMachine, RefusalIsTracedWithTheVersionAsStored)
{
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kInstallVersionKey, L"version", L"6.0.0.0.");
    EXPECT_FALSE(SilentModeChecks());
    EXPECT_EQ("SilentModeChecks\r\n{\r\n  Version 6.0.0.0 installed\n\r\n}\r\n", Log());
}
} // namespace
