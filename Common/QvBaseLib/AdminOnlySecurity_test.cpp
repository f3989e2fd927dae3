#include "AdminOnlySecurity.h"

#include "UniqueResource.h"

#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

namespace QvBase
{
namespace
{
struct CAce
{
    std::wstring sid;
    ACCESS_MASK mask;
    BYTE flags;
};

std::vector<CAce> AllowedAces(PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    EXPECT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    EXPECT_TRUE(present);
    std::vector<CAce> aces;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i)
    {
        void* raw = nullptr;
        EXPECT_TRUE(GetAce(dacl, i, &raw));
        const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        CUniqueLocal text;
        EXPECT_TRUE(ConvertSidToStringSidW(const_cast<DWORD*>(&ace->SidStart),
                                           reinterpret_cast<wchar_t**>(text.Put())));
        aces.push_back({static_cast<const wchar_t*>(text.Get()), ace->Mask, ace->Header.AceFlags});
    }
    return aces;
}
} // namespace

// A LocalSystem service trusts what this guards: the system account and the
// administrators get everything, nobody else anything, and nothing is
// inherited from the parent folder.
TEST(AdminOnlySecurity, GrantsSystemAndAdministratorsOnlyWithAProtectedDacl)
{
    CAdminOnlySecurity security;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(security.Descriptor(), &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);

    const std::vector<CAce> aces = AllowedAces(security.Descriptor());
    ASSERT_EQ(2u, aces.size());
    EXPECT_EQ(L"S-1-5-18", aces[0].sid);
    EXPECT_EQ(L"S-1-5-32-544", aces[1].sid);
    for (const CAce& ace : aces)
    {
        EXPECT_EQ(static_cast<ACCESS_MASK>(GENERIC_ALL), ace.mask);
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace.flags);
    }
    EXPECT_EQ(security.Descriptor(), security.Attributes()->lpSecurityDescriptor);
    EXPECT_FALSE(security.Attributes()->bInheritHandle);
}
} // namespace QvBase
