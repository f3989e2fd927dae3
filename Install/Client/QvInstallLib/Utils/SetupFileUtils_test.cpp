#include "SetupFileUtils.h"

#include "PathUtils.h"
#include "PendingDeletions.h"
#include "qvexception.h"
#include "RaisedError.h"
#include "TraceConfig.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
using QvTest::CPendingDeletions;
using QvTest::CTempDir;
using QvTest::FileExists;

std::wstring ExeName()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return QvBase::GetFileNamePart(path);
}

TEST(SetupFileUtils, ModuleDirectory)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(std::wstring(path), GetModuleDirectory() + L"\\" + ExeName());
}

TEST(SetupFileUtils, CreateDirectoryTreeRejectsPathsWithoutDriveLetter)
{
    EXPECT_EQ(87u, CreateDirectoryTree(L"\\\\host\\share\\dir", false));
    EXPECT_EQ(87u, CreateDirectoryTree(L"relative\\dir", false));
    EXPECT_EQ(87u, CreateDirectoryTree(L"", false));
}

TEST(SetupFileUtilsMachine, CreateDirectoryTreeRegistersOnlyNewLevels)
{
    CTempDir dir(L"QvTreeTest");
    CPendingDeletions pending;
    const std::wstring c = dir / L"b\\c";
    EXPECT_EQ(0u, CreateDirectoryTree(c, true));
    EXPECT_TRUE(FileExists(c));
    EXPECT_TRUE(pending.Registered(dir / L"b"));
    EXPECT_TRUE(pending.Registered(c));
    EXPECT_FALSE(pending.Registered(dir.Path()));
    // All levels exist: nothing more to do, trailing separator or not.
    EXPECT_EQ(0u, CreateDirectoryTree(c + L"\\", false));
    // A file in the way stops the walk with its error.
    EXPECT_TRUE(QvTest::WriteFileBytes(dir / L"file", "x"));
    EXPECT_NE(0u, CreateDirectoryTree(dir / L"file\\sub", false));
}

TEST(SetupFileUtils, ClearReadOnly)
{
    CTempDir dir(L"QvReadOnlyTest");
    EXPECT_FALSE(ClearReadOnly(dir / L"missing"));
    const std::wstring file = dir / L"f";
    EXPECT_TRUE(QvTest::WriteFileBytes(file, "x"));
    EXPECT_FALSE(ClearReadOnly(file));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(ClearReadOnly(file));
    EXPECT_FALSE(GetFileAttributesW(file.c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST(SetupFileUtils, ExtractBinaryResource)
{
    CTempDir dir(L"QvExtractTest");
    const std::wstring target = dir / L"out.bin";
    ExtractBinaryResource(target, GetModuleHandleW(nullptr), 30001);
    EXPECT_EQ("QvTest binary resource\n", QvTest::ReadFileBytes(target));

    const unsigned int code = QvTest::CodeOfErrorRaisedBy(
        [&] { ExtractBinaryResource(dir / L"none.bin", GetModuleHandleW(nullptr), 30002); });
    EXPECT_TRUE(code == ERROR_RESOURCE_NAME_NOT_FOUND || code == ERROR_RESOURCE_TYPE_NOT_FOUND)
        << code;
    EXPECT_FALSE(FileExists(dir / L"none.bin"));
}

// Copies land straight in the temporary directory: this suite owns the
// names it copies there and removes them.
class CopyFromNetworkMachine : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CreateDirectoryW((share / L"en-US").c_str(), nullptr);
        CreateDirectoryW((share / L"ru-RU").c_str(), nullptr);
        CreateDirectoryW((share / L"es-ES").c_str(), nullptr);
        EXPECT_TRUE(QvTest::WriteFileBytes(share / L"QvInstMain.dll", "engine"));
        EXPECT_TRUE(QvTest::WriteFileBytes(share / ExeName(), "setup"));
        for (const wchar_t* lang : {L"en-US", L"ru-RU", L"es-ES"})
            EXPECT_TRUE(QvTest::WriteFileBytes(
                share / (std::wstring(lang) + L"\\QvInstMain.dll.mui"), "mui"));
    }
    void TearDown() override
    {
        for (const std::wstring& name : {std::wstring(L"QvInstMain.dll"), ExeName()})
            DeleteFileW(Temp(name).c_str());
        for (const wchar_t* lang : {L"en-US", L"ru-RU", L"es-ES"})
        {
            DeleteFileW(Temp(std::wstring(lang) + L"\\QvInstMain.dll.mui").c_str());
            RemoveDirectoryW(Temp(lang).c_str());
        }
    }
    static std::wstring Temp(const std::wstring& name)
    {
        return QvBase::GetSystemFolderPath(3, name.c_str());
    }

    CTempDir share{L"QvShareTest"};
    CPendingDeletions pending;
};

TEST_F(CopyFromNetworkMachine, CopiesEngineExecutableAndLanguageFiles)
{
    std::wstring local;
    EXPECT_EQ(0u, CopyFromNetwork(share.Path(), true, local));
    EXPECT_EQ(Temp(ExeName()), local);
    EXPECT_EQ("setup", QvTest::ReadFileBytes(local));
    EXPECT_EQ("engine", QvTest::ReadFileBytes(Temp(L"QvInstMain.dll")));
    EXPECT_EQ("mui", QvTest::ReadFileBytes(Temp(L"es-ES\\QvInstMain.dll.mui")));
    EXPECT_TRUE(pending.Registered(Temp(L"QvInstMain.dll")));
    EXPECT_TRUE(pending.Registered(Temp(ExeName())));
    for (const wchar_t* lang : {L"en-US", L"ru-RU", L"es-ES"})
        EXPECT_TRUE(
            pending.FolderGoesAfter(Temp(lang), Temp(std::wstring(lang) + L"\\QvInstMain.dll.mui")))
            << lang;

    // Without the flag the executable stays where it is and the engine's
    // local path comes back.
    DeleteFileW(local.c_str());
    EXPECT_EQ(0u, CopyFromNetwork(share.Path() + L"\\", false, local));
    EXPECT_EQ(Temp(L"QvInstMain.dll"), local);
    EXPECT_FALSE(FileExists(Temp(ExeName())));
}

TEST_F(CopyFromNetworkMachine, MissingLanguageFileStopsWithError2)
{
    DeleteFileW((share / L"ru-RU\\QvInstMain.dll.mui").c_str());
    std::wstring local;
    EXPECT_EQ(2u, QvTest::CodeOfErrorRaisedBy(
                      [&] { CopyFromNetwork(share.Path(), /*copyExecutable=*/true, local); }));
    EXPECT_TRUE(FileExists(Temp(L"QvInstMain.dll")));
    EXPECT_TRUE(FileExists(Temp(ExeName())));
    EXPECT_TRUE(FileExists(Temp(L"en-US\\QvInstMain.dll.mui")));
    EXPECT_FALSE(FileExists(Temp(L"es-ES\\QvInstMain.dll.mui")));
    EXPECT_TRUE(pending.FolderGoesAfter(Temp(L"en-US"), Temp(L"en-US\\QvInstMain.dll.mui")))
        << "what was copied before the failure still goes at the restart";
}
} // namespace
