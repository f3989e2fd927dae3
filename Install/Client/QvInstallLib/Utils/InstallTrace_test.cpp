#include "InstallTrace.h"

#include "LogDirectory.h"
#include "RegistryState.h"
#include "QvTrace.h"
#include "TraceSettings.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using QvTest::ReadRawDword;
using QvTest::ReadRawString;

const std::wstring kTraceKey = QvBase::kTraceKeyPath;
const std::wstring kOldServiceKey = L"SYSTEM\\CurrentControlSet\\Services\\qvcc0";
const std::wstring kOldTraceKey = kOldServiceKey + L"\\Trace";

class InstallTraceMachine : public ::testing::Test
{
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, kOldServiceKey.c_str()); }

    static void SetOld(const wchar_t* path, DWORD enableMask)
    {
        QvTest::WriteString(HKEY_LOCAL_MACHINE, kOldTraceKey, L"TracePath", path);
        QvTest::WriteDword(HKEY_LOCAL_MACHINE, kOldTraceKey, L"EnableMask", enableMask);
    }
    static DWORD Number(const std::wstring& key, const wchar_t* name)
    {
        DWORD n = 0xBAD;
        EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, key, name, n)) << name;
        return n;
    }
    static bool HasValue(const std::wstring& key, const wchar_t* name)
    {
        DWORD n = 0;
        std::wstring text;
        return ReadRawDword(HKEY_LOCAL_MACHINE, key, name, n) ||
               ReadRawString(HKEY_LOCAL_MACHINE, key, name, text);
    }
    static std::wstring Text(const std::wstring& key, const wchar_t* name)
    {
        std::wstring text;
        EXPECT_TRUE(ReadRawString(HKEY_LOCAL_MACHINE, key, name, text)) << name;
        return text;
    }
    static bool TraceKeyExists() { return QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey); }

    // The install configuration, read without the product's registry code.
    void ExpectInstallConfiguration()
    {
        EXPECT_EQ(15u, Number(kTraceKey, L"EnableMask"));
        EXPECT_EQ(0xFF09u, Number(kTraceKey, L"ParamsMask"));
        EXPECT_EQ(0u, Number(kTraceKey, L"CommonFileFlag"));
        EXPECT_EQ(0u, Number(kTraceKey, L"DisableContextFlag"));
        EXPECT_EQ(GetDefaultLogDirectory(), Text(kTraceKey, L"TracePath"));
        for (const wchar_t* force :
             {L"ForceEnableMask", L"ForceParamsMask", L"ForceCommonFileFlag"})
            EXPECT_FALSE(HasValue(kTraceKey, force)) << force;
        const struct
        {
            const wchar_t* sink;
            DWORD params;
        } sinks[] = {{L"QvDC", 0xFF08}, {L"QvControl", 0xFB08}};
        for (const auto& s : sinks)
        {
            const std::wstring key = kTraceKey + L"\\" + s.sink;
            EXPECT_EQ(15u, Number(key, L"EnableMask")) << s.sink;
            EXPECT_EQ(s.params, Number(key, L"ParamsMask")) << s.sink;
            EXPECT_EQ(0u, Number(key, L"CommonFileFlag")) << s.sink;
            EXPECT_EQ(0u, Number(key, L"ContextMask")) << s.sink;
            EXPECT_FALSE(HasValue(key, L"TracePath")) << s.sink;
        }
        EXPECT_EQ(kAbsent, Number(kDebugPrintFilterKey, L"Default"));
        // And as an administrator would see it.
        const QvTest::RegQueryResult shown =
            QvTest::RegQuery(L"\"HKLM\\" + kTraceKey + L"\\QvControl\" /v ParamsMask");
        EXPECT_EQ(0u, shown.exitCode);
        EXPECT_NE(std::string::npos, shown.output.find("0xfb08")) << shown.output;
    }

    QvTest::CTraceConfig config; // no Trace key during the test, the original after it
    QvTest::CKeyBackup oldKey{HKEY_LOCAL_MACHINE, kOldServiceKey};
    QvTest::CKeyBackup filter{HKEY_LOCAL_MACHINE, kDebugPrintFilterKey};
};

TEST_F(InstallTraceMachine, NoConfigurationIsWrittenForTheRunAndRemovedAtItsEnd)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDebugPrintFilterKey);
    {
        CInstallTrace trace(nullptr);
        EXPECT_TRUE(trace.SwitchedOn());
        ExpectInstallConfiguration();
        EXPECT_TRUE(QvTest::FileExists(GetDefaultLogDirectory()));
    }
    EXPECT_FALSE(TraceKeyExists());
    EXPECT_EQ(1u, QvTest::RegQuery(L"\"HKLM\\" + kTraceKey + L"\"").exitCode);
    EXPECT_EQ(kAbsent, Number(kDebugPrintFilterKey, L"Default")) << "the filter stays open";
}

TEST_F(InstallTraceMachine, ExistingConfigurationIsLeftAlone)
{
    for (DWORD mask : {DWORD(0), DWORD(1), DWORD(0x10)})
    {
        config.SetNumber(nullptr, L"EnableMask", mask);
        config.SetText(nullptr, L"TracePath", L"C:\\Admin");
        {
            CInstallTrace trace(nullptr);
            EXPECT_FALSE(trace.SwitchedOn()) << mask;
            EXPECT_EQ(L"C:\\Admin", Text(kTraceKey, L"TracePath"));
            EXPECT_FALSE(HasValue(kTraceKey, L"ParamsMask"));
        }
        EXPECT_EQ(mask, Number(kTraceKey, L"EnableMask"));
        EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey + L"\\QvDC"));
    }
}

TEST_F(InstallTraceMachine, ForceOnlyKeyIsReplacedAndRemoved)
{
    config.SetNumber(nullptr, L"ForceEnableMask", 2);
    {
        CInstallTrace trace(nullptr);
        EXPECT_TRUE(trace.SwitchedOn());
        ExpectInstallConfiguration();
    }
    EXPECT_FALSE(TraceKeyExists());
}

TEST_F(InstallTraceMachine, OldDefaultPathIsMigratedToTheLogDirectoryAndKept)
{
    for (const wchar_t* path : {L"C:\\Logs\\", L"c:\\LOGS"})
    {
        SetOld(path, 1);
        QvTest::WriteDword(HKEY_LOCAL_MACHINE, kOldTraceKey + L"\\QvDC", L"EnableMask", 4);
        {
            CInstallTrace trace(nullptr);
            EXPECT_FALSE(trace.SwitchedOn()) << path;
            EXPECT_TRUE(CInstallTrace::IsEnabled());
        }
        ASSERT_TRUE(TraceKeyExists()) << path;
        EXPECT_EQ(GetDefaultLogDirectory(), Text(kTraceKey, L"TracePath")) << path;
        EXPECT_EQ(1u, Number(kTraceKey, L"EnableMask"));
        EXPECT_EQ(4u, Number(kTraceKey + L"\\QvDC", L"EnableMask")) << "subkeys come along";
        EXPECT_EQ(std::wstring(path), Text(kOldTraceKey, L"TracePath")) << "old key untouched";
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kTraceKey.c_str());
    }
}

TEST_F(InstallTraceMachine, OldOtherPathIsMigratedAsItIs)
{
    SetOld(L"D:\\trace", 3);
    {
        CInstallTrace trace(nullptr);
        EXPECT_FALSE(trace.SwitchedOn());
    }
    ASSERT_TRUE(TraceKeyExists());
    EXPECT_EQ(L"D:\\trace", Text(kTraceKey, L"TracePath"));
    EXPECT_EQ(3u, Number(kTraceKey, L"EnableMask"));
    EXPECT_FALSE(HasValue(kTraceKey, L"ParamsMask"));
}

TEST_F(InstallTraceMachine, OldKeyThatTracesNothingIsIgnored)
{
    const struct
    {
        const wchar_t* path;
        DWORD mask;
    } cases[] = {{L"", 1}, {L"C:\\Logs", 0}};
    for (const auto& c : cases)
    {
        SetOld(c.path, c.mask);
        {
            CInstallTrace trace(nullptr);
            EXPECT_TRUE(trace.SwitchedOn()) << c.path;
            ExpectInstallConfiguration();
        }
        EXPECT_FALSE(TraceKeyExists()) << c.path;
    }
}

TEST_F(InstallTraceMachine, SinkIsReloadedWhenTracingIsSwitchedOn)
{
    QvBase::CQvTrace sink(L"QvDC");
    EXPECT_FALSE(sink.IsEnabled());
    {
        CInstallTrace trace(&sink);
        EXPECT_TRUE(sink.IsEnabled());
        EXPECT_TRUE(sink.IsLevelEnabled(8));
    }
}

// The runtime log goes where the Trace key says, even nowhere in particular.
TEST_F(InstallTraceMachine, LogDirectoryFollowsTheTraceKey)
{
    EXPECT_EQ(GetDefaultLogDirectory(), GetLogDirectory()) << "no key";
    config.SetNumber(nullptr, L"EnableMask", 1);
    EXPECT_EQ(L"", GetLogDirectory()) << "key without TracePath";
    config.SetText(nullptr, L"TracePath", L"%SystemDrive%\\Qv");
    EXPECT_EQ(L"%SystemDrive%\\Qv", GetLogDirectory()) << "as stored, not expanded";
}
} // namespace
