#include "PathUtils.h"

#include "RegistryKey.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace
{
using QvBase::JoinPath;

TEST(PathUtils, JoinPathPutsOneSeparatorBetween)
{
    const struct
    {
        const wchar_t* base;
        const wchar_t* tail;
        wchar_t separator;
        const wchar_t* result;
    } cases[] = {
        {L"C:\\a", L"b", L'\\', L"C:\\a\\b"},
        {L"C:\\a\\", L"\\b", L'\\', L"C:\\a\\b"},
        {L"C:\\a\\", L"b", L'\\', L"C:\\a\\b"},
        {L"C:\\a", L"\\b", L'\\', L"C:\\a\\b"},
        {L"", L"b", L'\\', L"b"},
        {nullptr, L"b", L'\\', L"b"},
        {L"C:\\a", L"", L'\\', L"C:\\a\\"},
        {L"C:\\a", nullptr, L'\\', L"C:\\a"},
        {nullptr, nullptr, L'\\', L""},
        {L"a/", L"/b", L'/', L"a/b"},
        {L"a\\", L"/b", L'/', L"a\\/b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.result), JoinPath(c.base, c.tail, c.separator))
            << (c.base ? c.base : L"(null)") << " + " << (c.tail ? c.tail : L"(null)");
}

TEST(PathUtils, SystemFoldersMatchTheSystem)
{
    wchar_t folder[MAX_PATH + 1];
    GetWindowsDirectoryW(folder, MAX_PATH + 1);
    EXPECT_EQ(JoinPath(folder, L"x", L'\\'), QvBase::GetSystemFolderPath(0, L"x"));
    GetSystemDirectoryW(folder, MAX_PATH + 1);
    EXPECT_EQ(JoinPath(folder, L"x", L'\\'), QvBase::GetSystemFolderPath(1, L"x"));
    GetTempPathW(MAX_PATH + 1, folder);
    EXPECT_EQ(std::wstring(folder) + L"x.exe", QvBase::GetSystemFolderPath(3, L"x.exe"));
    EXPECT_EQ(std::wstring(folder), QvBase::GetSystemFolderPath(3, nullptr));

    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    std::wstring programFiles;
    ASSERT_EQ(ERROR_SUCCESS,
              key.OpenSub(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", false, KEY_READ));
    key.GetString(L"ProgramFilesDir", programFiles, L"");
    EXPECT_EQ(programFiles + L"\\Quorvel", QvBase::GetSystemFolderPath(2, L"Quorvel"));

    EXPECT_EQ(L"", QvBase::GetSystemFolderPath(4, L"x"));
    EXPECT_EQ(L"", QvBase::GetSystemFolderPath(-1, L"x"));
}

TEST(PathUtils, ExpandPathExpandsThenJoins)
{
    SetEnvironmentVariableW(L"QV_TEST_DIR", L"C:\\Qv");
    EXPECT_EQ(L"C:\\Qv\\sub\\f.txt", QvBase::ExpandPath(L"%QV_TEST_DIR%\\sub", L"f.txt"));
    EXPECT_EQ(L"%QV_TEST_UNSET%\\f", QvBase::ExpandPath(L"%QV_TEST_UNSET%", L"f"));

    // An expansion beyond 260 characters is kept whole.
    const std::wstring longDir = L"C:\\" + std::wstring(300, L'd');
    SetEnvironmentVariableW(L"QV_TEST_DIR", longDir.c_str());
    EXPECT_EQ(longDir + L"\\f", QvBase::ExpandPath(L"%QV_TEST_DIR%", L"f"));
    SetEnvironmentVariableW(L"QV_TEST_DIR", nullptr);
}

TEST(PathUtils, FileNamePart)
{
    const struct
    {
        const wchar_t* path;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\dir\\file.txt", L"file.txt"},
        {L"dir\\file", L"file"},
        {L"file.txt", L""},
        {L"C:\\dir\\", L"dir\\"},
        {L"", L""},
        {nullptr, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(c.name), QvBase::GetFileNamePart(c.path))
            << (c.path ? c.path : L"(null)");
}
} // namespace
