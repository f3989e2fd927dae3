#include "TraceSettings.h"

#include "RegistryState.h"
#include "QvTrace.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using QvTest::ReadRawDword;
using QvTest::ReadRawString;

const std::wstring kTraceKey = QvBase::kTraceKeyPath;

class TraceSettingsMachine : public ::testing::Test
{
protected:
    QvTest::CTraceConfig config; // no Trace key during the test, the original after it
    QvTest::CKeyBackup filter{HKEY_LOCAL_MACHINE, kDebugPrintFilterKey};
    QvTest::CTempDir dir{L"QvTraceSettingsTest"};
};

TEST_F(TraceSettingsMachine, MissingValuesGetTheirDefaults)
{
    TraceSettings s = {};
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetTraceSettings(nullptr, s)) << "no key";

    // An empty main key: the masks count as 0, the Force values as absent.
    config.SetText(nullptr, L"Other", L"x");
    ASSERT_EQ(ERROR_SUCCESS, GetTraceSettings(nullptr, s));
    EXPECT_EQ(0u, s.EnableMask);
    EXPECT_EQ(0u, s.ParamsMask);
    EXPECT_EQ(kAbsent, s.ForceEnableMask);
    EXPECT_EQ(kAbsent, s.ForceParamsMask);
    EXPECT_EQ(kAbsent, s.ForceCommonFileFlag);
    EXPECT_EQ(kAbsent, s.CommonFileFlag);
    EXPECT_EQ(0u, s.ContextMask);
    EXPECT_EQ(0u, s.DisableContextFlag);
    EXPECT_STREQ(L"", s.TracePath);
    EXPECT_STREQ(L"", s.CommonFileName);

    // With a Force value the mask it forces counts as absent.
    config.SetNumber(nullptr, L"ForceEnableMask", 0);
    ASSERT_EQ(ERROR_SUCCESS, GetTraceSettings(nullptr, s));
    EXPECT_EQ(kAbsent, s.EnableMask);
    EXPECT_EQ(0u, s.ForceEnableMask);

    // A sink's missing masks are absent; its values are its own.
    config.SetNumber(L"QvDC", L"ContextMask", 3);
    config.SetText(L"QvDC", L"CommonFileName", L"C:\\x.log");
    ASSERT_EQ(ERROR_SUCCESS, GetTraceSettings(L"QvDC", s));
    EXPECT_EQ(kAbsent, s.EnableMask);
    EXPECT_EQ(kAbsent, s.ParamsMask);
    EXPECT_EQ(3u, s.ContextMask);
    EXPECT_STREQ(L"C:\\x.log", s.CommonFileName);
}

TEST_F(TraceSettingsMachine, MaskStoredAsAbsentIsNoConfiguration)
{
    config.SetNumber(nullptr, L"EnableMask", kAbsent);
    TraceSettings s = {};
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, GetTraceSettings(nullptr, s));
}

TEST_F(TraceSettingsMachine, TooLongPathIsCutToTheField)
{
    config.SetText(nullptr, L"TracePath", std::wstring(400, L'a'));
    TraceSettings s = {};
    ASSERT_EQ(ERROR_SUCCESS, GetTraceSettings(nullptr, s));
    EXPECT_EQ(std::wstring(259, L'a'), s.TracePath);
}

TraceSettings Record()
{
    TraceSettings s = {};
    s.EnableMask = 6;
    s.ForceEnableMask = kAbsent;
    s.ParamsMask = 0x11;
    s.ForceParamsMask = 5;
    s.CommonFileFlag = kAbsent;
    s.ForceCommonFileFlag = kAbsent;
    s.ContextMask = 7;
    s.DisableContextFlag = 1;
    return s;
}

TEST_F(TraceSettingsMachine, MainKeyValuesAreWrittenAndAbsentOnesDeleted)
{
    config.SetNumber(nullptr, L"CommonFileFlag", 1);
    // The debug print filter is opened only where it exists.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kDebugPrintFilterKey);
    TraceSettings s = Record();
    ASSERT_EQ(ERROR_SUCCESS, SetTraceSettings(nullptr, &s));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kDebugPrintFilterKey));
    QvTest::WriteString(HKEY_LOCAL_MACHINE, kDebugPrintFilterKey, L"Other", L"x");

    CopyField(s.TracePath, (dir.Path() + L"\\logs\\deep").c_str());
    ASSERT_EQ(ERROR_SUCCESS, SetTraceSettings(nullptr, &s));

    DWORD n = 0;
    std::wstring text;
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"EnableMask", n) && n == 6);
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"ParamsMask", n) && n == 0x11);
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"ForceParamsMask", n) && n == 5);
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"DisableContextFlag", n) && n == 1);
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"CommonFileFlag", n));
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"ForceEnableMask", n));
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"ContextMask", n)) << "sink only";
    EXPECT_TRUE(ReadRawString(HKEY_LOCAL_MACHINE, kTraceKey, L"TracePath", text));
    EXPECT_EQ(dir.Path() + L"\\logs\\deep", text);
    EXPECT_TRUE(QvTest::FileExists(dir.Path() + L"\\logs\\deep")) << "directory chain";
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, kDebugPrintFilterKey, L"Default", n) &&
                n == kAbsent);

    // What was written reads back the same.
    TraceSettings back = {};
    ASSERT_EQ(ERROR_SUCCESS, GetTraceSettings(nullptr, back));
    EXPECT_EQ(6u, back.EnableMask);
    EXPECT_EQ(5u, back.ForceParamsMask);
    EXPECT_EQ(kAbsent, back.CommonFileFlag);
    EXPECT_EQ(dir.Path() + L"\\logs\\deep", back.TracePath);
}

TEST_F(TraceSettingsMachine, ExistingDirectoryIsTakenAndEnvironmentExpanded)
{
    TraceSettings s = Record();
    CopyField(s.TracePath, L"%TEMP%\\QvTraceSettingsTest");
    ASSERT_EQ(ERROR_SUCCESS, SetTraceSettings(nullptr, &s));
    std::wstring text;
    ASSERT_TRUE(ReadRawString(HKEY_LOCAL_MACHINE, kTraceKey, L"TracePath", text));
    wchar_t expanded[MAX_PATH] = {};
    ExpandEnvironmentStringsW(L"%TEMP%\\QvTraceSettingsTest", expanded, MAX_PATH);
    EXPECT_EQ(expanded, text);
}

TEST_F(TraceSettingsMachine, DirectoryThatCannotBeMadeWritesNothing)
{
    const std::wstring file = dir / L"file";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    TraceSettings s = Record();
    CopyField(s.TracePath, (file + L"\\sub").c_str());
    EXPECT_NE(ERROR_SUCCESS, SetTraceSettings(nullptr, &s));
    DWORD n = 0;
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, kTraceKey, L"EnableMask", n));
}

TEST_F(TraceSettingsMachine, SinkValuesAndCommonFile)
{
    TraceSettings s = Record();
    CopyField(s.CommonFileName, (dir / L"common.log").c_str());
    CopyField(s.TracePath, L"Z:\\not\\for\\sinks");
    ASSERT_EQ(ERROR_SUCCESS, SetTraceSettings(L"QvDC", &s));
    const std::wstring sinkKey = kTraceKey + L"\\QvDC";
    DWORD n = 0;
    std::wstring text;
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, sinkKey, L"EnableMask", n) && n == 6);
    EXPECT_TRUE(ReadRawDword(HKEY_LOCAL_MACHINE, sinkKey, L"ContextMask", n) && n == 7);
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, sinkKey, L"ForceParamsMask", n)) << "main only";
    EXPECT_FALSE(ReadRawDword(HKEY_LOCAL_MACHINE, sinkKey, L"DisableContextFlag", n));
    EXPECT_FALSE(ReadRawString(HKEY_LOCAL_MACHINE, sinkKey, L"TracePath", text));
    EXPECT_TRUE(ReadRawString(HKEY_LOCAL_MACHINE, sinkKey, L"CommonFileName", text));
    EXPECT_EQ(dir / L"common.log", text);
    EXPECT_TRUE(QvTest::FileExists(dir / L"common.log"));
}

TEST_F(TraceSettingsMachine, NullRecordDeletesTheKeyOrTheSink)
{
    config.SetNumber(nullptr, L"EnableMask", 1);
    config.SetNumber(L"QvDC", L"EnableMask", 1);
    config.SetNumber(L"QvControl", L"EnableMask", 1);
    EXPECT_EQ(ERROR_SUCCESS, SetTraceSettings(L"QvDC", nullptr));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey + L"\\QvDC"));
    EXPECT_TRUE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey + L"\\QvControl"));
    EXPECT_EQ(ERROR_SUCCESS, SetTraceSettings(nullptr, nullptr));
    EXPECT_FALSE(QvTest::KeyExists(HKEY_LOCAL_MACHINE, kTraceKey));
    EXPECT_EQ(1u, QvTest::RegQuery(L"\"HKLM\\" + kTraceKey + L"\"").exitCode);
}
} // namespace
