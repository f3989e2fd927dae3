// The binary records of the agent protocol.
#include "InstallTaskRecords.h"
#include "InstallTaskSecurity.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
const std::wstring kId = L"{6A1E2C3D-4B5F-4A7E-9C8D-0E1F2A3B4C5D}";

TEST(InstallTaskRecords, AnnouncementIsZeroTypeAndId)
{
    ASSERT_EQ(4u + 78u, GetAnnouncementSize(kId));
    std::vector<BYTE> record(GetAnnouncementSize(kId), 0xCC);
    ASSERT_TRUE(WriteAnnouncement(record.data(), record.size(), 0x10064, kId));
    EXPECT_EQ(0, record[0] | record[1]);
    EXPECT_EQ(0x64, record[2]);
    EXPECT_EQ(0x00, record[3]);
    EXPECT_EQ(0, record[80] | record[81]) << "the id ends in a NUL";
    const CTaskAnnouncement read = ReadAnnouncement(record.data(), record.size());
    EXPECT_EQ(100, read.type);
    EXPECT_EQ(kId, read.id);
    EXPECT_FALSE(WriteAnnouncement(record.data(), record.size() - 1, 1, kId));
}

TEST(InstallTaskRecords, ResultRecordIsCodeAndText)
{
    const std::wstring text = L"<r code='5'/>";
    ASSERT_EQ(2 * text.size() + 6, GetResultRecordSize(text));
    EXPECT_EQ(6u, GetResultRecordSize(L""));
    std::vector<BYTE> record(GetResultRecordSize(text));
    ASSERT_TRUE(WriteResultRecord(record.data(), record.size(), -2, text));
    EXPECT_EQ(0xFE, record[0]);
    EXPECT_EQ(0xFF, record[3]);
    const CTaskResultRecord read = ReadResultRecord(record.data(), record.size());
    EXPECT_EQ(-2, read.code);
    EXPECT_EQ(text, read.text);
    EXPECT_FALSE(WriteResultRecord(record.data(), record.size() - 2, 0, text));
}

// Records written by another process may lack their NUL: reading stops at
// the end of what was given.
TEST(InstallTaskRecords, ReadersStayWithinTheirSize)
{
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    EXPECT_EQ(L"abc", ReadTextRecord(unterminated, sizeof(unterminated)));
    EXPECT_EQ(L"a", ReadTextRecord(unterminated, 3)) << "an odd byte is dropped";
    const BYTE shortRecord[3] = {1, 2, 3};
    EXPECT_EQ(0, ReadResultRecord(shortRecord, sizeof(shortRecord)).code);
    EXPECT_EQ(L"", ReadAnnouncement(shortRecord, sizeof(shortRecord)).id);
}

TEST(InstallTaskSecurity, ThreeEntriesForEveryoneInADefaultedList)
{
    CTaskObjectSecurity security;
    SECURITY_ATTRIBUTES* attributes = security.Attributes();
    EXPECT_TRUE(attributes->bInheritHandle);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(
        GetSecurityDescriptorControl(attributes->lpSecurityDescriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PRESENT);
    EXPECT_TRUE(control & SE_DACL_DEFAULTED);
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL acl = nullptr;
    ASSERT_TRUE(
        GetSecurityDescriptorDacl(attributes->lpSecurityDescriptor, &present, &acl, &defaulted));
    ASSERT_EQ(3, acl->AceCount);
    const DWORD masks[] = {0x001F0003, 0x10000000, 0x100F001F};
    for (DWORD index = 0; index < 3; ++index)
    {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(acl, index, reinterpret_cast<void**>(&entry)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, entry->Header.AceType);
        EXPECT_EQ(masks[index], entry->Mask);
        EXPECT_TRUE(IsWellKnownSid(&entry->SidStart, WinWorldSid));
    }
}
} // namespace
