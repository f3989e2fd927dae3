#include "OpenAccessList.h"

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace
{
constexpr DWORD kFullFileAccess = 0x1F01FF; // FILE_ALL_ACCESS
constexpr const wchar_t* kEveryone = L"S-1-1-0";
constexpr const wchar_t* kAllApplicationPackages = L"S-1-15-2-1";
constexpr const wchar_t* kAllRestrictedApplicationPackages = L"S-1-15-2-2";

QvBase::CUniqueLocal MakeSid(const wchar_t* text)
{
    PSID sid = nullptr;
    if (!ConvertStringSidToSidW(text, &sid))
        return QvBase::CUniqueLocal();
    return QvBase::CUniqueLocal(sid);
}

EXPLICIT_ACCESS_W Allow(PSID sid, DWORD inheritance)
{
    EXPLICIT_ACCESS_W entry = {};
    entry.grfAccessPermissions = kFullFileAccess;
    entry.grfAccessMode = GRANT_ACCESS;
    entry.grfInheritance = inheritance;
    entry.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry.Trustee.ptstrName = static_cast<LPWSTR>(sid);
    return entry;
}
} // namespace

COpenAccessList::COpenAccessList(Kind kind)
{
    std::vector<const wchar_t*> trustees = {kEveryone, kAllApplicationPackages};
    if (kind == ForDirectory)
        trustees.push_back(kAllRestrictedApplicationPackages);
    const DWORD inheritance =
        kind == ForDirectory ? SUB_CONTAINERS_AND_OBJECTS_INHERIT : NO_INHERITANCE;
    std::vector<QvBase::CUniqueLocal> sids;
    std::vector<EXPLICIT_ACCESS_W> entries;
    for (const wchar_t* trustee : trustees)
    {
        sids.push_back(MakeSid(trustee));
        if (!sids.back())
            return;
        entries.push_back(Allow(sids.back().Get(), inheritance));
    }
    PACL built = nullptr;
    if (SetEntriesInAclW(static_cast<ULONG>(entries.size()), entries.data(), nullptr, &built) !=
        ERROR_SUCCESS)
        return;
    acl.Reset(built);
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, /*daclPresent=*/TRUE, Acl(), /*daclDefaulted=*/FALSE);
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = FALSE;
}

SECURITY_ATTRIBUTES* COpenAccessList::Attributes()
{
    return IsValid() ? &attributes : nullptr;
}

DWORD COpenAccessList::SetOn(const std::wstring& path) const
{
    if (!IsValid())
        return ERROR_INVALID_ACL;
    return SetNamedSecurityInfoW(const_cast<LPWSTR>(path.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, Acl(), nullptr);
}
