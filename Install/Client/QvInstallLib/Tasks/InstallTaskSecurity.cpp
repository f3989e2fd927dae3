#include "InstallTaskSecurity.h"

#include "qvexception.h"

CTaskObjectSecurity::CTaskObjectSecurity() : everyone(SECURITY_MAX_SID_SIZE)
{
    QV_FUNCTION_NAME(L"CTaskObjectSecurity::CTaskObjectSecurity");
    DWORD sidSize = static_cast<DWORD>(everyone.size());
    if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone.data(), &sidSize))
        QV_RAISE_LAST_ERROR();
    const DWORD entrySize = sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + sidSize;
    acl.resize(sizeof(ACL) + std::size(kAccessMasks) * entrySize);
    PACL list = reinterpret_cast<PACL>(acl.data());
    if (!InitializeAcl(list, static_cast<DWORD>(acl.size()), ACL_REVISION))
        QV_RAISE_LAST_ERROR();
    for (DWORD mask : kAccessMasks)
        if (!AddAccessAllowedAce(list, ACL_REVISION, mask, everyone.data()))
            QV_RAISE_LAST_ERROR();
    if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, /*daclPresent=*/TRUE, list,
                                   /*daclDefaulted=*/TRUE))
        QV_RAISE_LAST_ERROR();
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = &descriptor;
    attributes.bInheritHandle = TRUE;
}
