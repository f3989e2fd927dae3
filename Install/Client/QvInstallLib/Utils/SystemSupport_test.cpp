#include "SystemSupport.h"

#include "ProcessRunner.h"
#include "RegistryState.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
constexpr BYTE kWorkstation = VER_NT_WORKSTATION;
constexpr BYTE kServer = VER_NT_SERVER;

SystemVersion Version(DWORD major, DWORD minor, BYTE type, WORD servicePack = 0, bool r2 = false)
{
    SystemVersion v;
    v.major = major;
    v.minor = minor;
    v.productType = type;
    v.servicePackMajor = servicePack;
    v.serverR2 = r2;
    return v;
}

struct ClassCase
{
    SystemVersion version;
    int osClass;
};

TEST(OperatingSystemClass, EveryVersionOfTheTable)
{
    const ClassCase cases[] = {
        {Version(3, 51, kWorkstation), 0},
        {Version(4, 0, kServer), 0},
        {Version(5, 0, kWorkstation), 1},
        {Version(5, 0, kServer), 2},
        {Version(5, 1, kWorkstation), 3},
        {Version(5, 1, kServer), 3},
        {Version(5, 2, kWorkstation), 6},
        {Version(5, 2, kServer), 5},
        {Version(5, 2, kServer, 2, true), 4},
        {Version(5, 2, kWorkstation, 0, true), 4},
        {Version(5, 3, kWorkstation), 0},
        {Version(6, 0, kWorkstation), 7},
        {Version(6, 0, kServer), 8},
        {Version(6, 1, kWorkstation), 10},
        {Version(6, 1, kServer), 9},
        {Version(6, 2, kWorkstation), 11},
        {Version(6, 2, kServer), 12},
        {Version(6, 3, kWorkstation), 13},
        {Version(6, 3, kServer), 14},
        {Version(6, 4, kWorkstation), 0},
        {Version(10, 0, kWorkstation), 15},
        {Version(10, 0, kServer), 16},
        {Version(11, 0, kWorkstation), 17},
        {Version(2, 0, kServer), 17},
        // A domain controller is no workstation.
        {Version(6, 1, VER_NT_DOMAIN_CONTROLLER), 9},
    };
    for (const ClassCase& c : cases)
        EXPECT_EQ(c.osClass, GetOperatingSystemClass(c.version))
            << c.version.major << "." << c.version.minor << " type " << int(c.version.productType);
}

bool UpdateInstalled(const wchar_t* number)
{
    return std::wstring(number) == L"2919355";
}
bool UpdateMissing(const wchar_t*)
{
    return false;
}

struct SupportCase
{
    const char* name;
    SystemVersion version;
    bool withUpdate;
    bool withoutUpdate;
};

// The cases Wine cannot show a process: service packs it does not report and
// the update that its WMI never lists.
TEST(SystemSupport, SupportFollowsClassServicePackAndUpdate)
{
    const SupportCase cases[] = {
        {"Windows 7", Version(6, 1, kWorkstation), false, false},
        {"Windows 7 SP1", Version(6, 1, kWorkstation, 1), true, true},
        {"Server 2008 R2 SP1", Version(6, 1, kServer, 1), true, true},
        {"Windows 8", Version(6, 2, kWorkstation), false, false},
        {"Server 2012", Version(6, 2, kServer), true, true},
        {"Windows 8.1", Version(6, 3, kWorkstation), true, false},
        {"Server 2012 R2", Version(6, 3, kServer), true, false},
        {"Windows 10", Version(10, 0, kWorkstation), true, true},
        {"Server 2016", Version(10, 0, kServer), true, true},
        {"Windows 12", Version(12, 0, kWorkstation), true, true},
        {"Vista SP2", Version(6, 0, kWorkstation, 2), false, false},
        {"XP SP3", Version(5, 1, kWorkstation, 3), false, false},
    };
    for (const SupportCase& c : cases)
    {
        EXPECT_EQ(c.withUpdate, IsSystemSupportedOn(c.version, UpdateInstalled)) << c.name;
        EXPECT_EQ(c.withoutUpdate, IsSystemSupportedOn(c.version, UpdateMissing)) << c.name;
    }
}

// Wine shows one program another Windows version through its application
// defaults; the probe process reports what the queries make of it.
class SystemVersionProbe : public ::testing::Test
{
protected:
    static constexpr const wchar_t* kKey = L"Software\\Wine\\AppDefaults\\QvSystemProbe.exe";

    void SetUp() override
    {
        if (!QvTest::RunsUnderWine())
            GTEST_SKIP() << "the Windows version can be switched only under Wine";
    }

    // A null version leaves the prefix's own.
    static DWORD Probe(const wchar_t* version)
    {
        RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
        if (version != nullptr)
            SetVersion(version);
        const QvTest::ProcessResult r =
            QvTest::RunProcess(QvTest::BinDir() + L"QvSystemProbe.exe", L"");
        EXPECT_TRUE(r.finished) << "start error " << r.startError;
        return r.exitCode;
    }
    QvTest::CKeyBackup appDefaults{HKEY_CURRENT_USER, kKey};

    static void SetVersion(const wchar_t* version)
    {
        QvTest::WriteString(HKEY_CURRENT_USER, kKey, L"Version", version);
    }
};

TEST_F(SystemVersionProbe, VersionsWineCanShow)
{
    struct
    {
        const wchar_t* version;
        DWORD exitCode; // class * 10 + supported
    } const cases[] = {
        // clang-format off
        {nullptr, 101},     // the prefix's own: 6.1 SP1 workstation
        {L"win8", 110},     // 6.2 workstation, not supported
        {L"win81", 130},    // 6.3: Wine's WMI never lists KB2919355
        {L"win10", 151},
        {L"win2008", 80},   // 6.0 SP2 server
        {L"win2003", 50},   // 5.2 SP2 server
        {L"winxp64", 60},   // 5.2 workstation
        // clang-format on
    };
    // Not here: Wine 8 shows a single program "win7" as a 6.1 server and
    // "win2008r2" as a 6.1 workstation, the product types swapped.
    for (const auto& c : cases)
        EXPECT_EQ(c.exitCode, Probe(c.version)) << (c.version ? c.version : L"default");
}
} // namespace
