#include "AgentObjects.h"

#include <gtest/gtest.h>

namespace
{
using QvAgent::CAgentObjectSecurity;

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type)
{
    BYTE buffer[SECURITY_MAX_SID_SIZE] = {};
    DWORD size = sizeof buffer;
    return CreateWellKnownSid(type, nullptr, buffer, &size) && EqualSid(sid, buffer);
}

// Wine does not enforce the DACL of a named object, so the descriptor itself
// is what is checked: two entries, SYSTEM and Administrators, full access,
// nothing inherited.
TEST(AgentObjectSecurity, GrantsSystemAndAdministratorsOnly)
{
    CAgentObjectSecurity security;
    ASSERT_TRUE(IsValidSecurityDescriptor(security.Descriptor()));
    EXPECT_EQ(sizeof(SECURITY_ATTRIBUTES), security.Attributes()->nLength);
    EXPECT_FALSE(security.Attributes()->bInheritHandle);

    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(security.Descriptor(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);

    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(security.Descriptor(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present);
    ASSERT_NE(nullptr, dacl) << "a null DACL would grant everyone everything";
    ASSERT_EQ(2u, dacl->AceCount);

    const WELL_KNOWN_SID_TYPE expected[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        void* raw = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, &raw));
        const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << i;
        EXPECT_EQ(static_cast<ACCESS_MASK>(GENERIC_ALL), ace->Mask) << i;
        EXPECT_TRUE(IsWellKnown(const_cast<DWORD*>(&ace->SidStart), expected[i])) << i;
        EXPECT_FALSE(IsWellKnown(const_cast<DWORD*>(&ace->SidStart), WinWorldSid)) << i;
    }
}

TEST(AgentObjectSecurity, SectionHoldsTheLongestAnnouncement)
{
    EXPECT_GE(QvAgent::kAnnouncementSectionSize,
              GetAnnouncementSize(L"{0F8C2D4B-1A3E-4C5D-9E6F-7A8B9C0D1E2F}"));
}
} // namespace
