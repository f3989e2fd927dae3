#include "AdminOnlySecurity.h"

#include "qvexception.h"

#include <sddl.h>

namespace QvBase
{
CAdminOnlySecurity::CAdminOnlySecurity()
{
    QV_FUNCTION_NAME(L"QvBase::CAdminOnlySecurity::CAdminOnlySecurity");
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kDescriptor, SDDL_REVISION_1,
                                                              descriptor.Put(), nullptr))
        QV_RAISE_LAST_ERROR();
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = descriptor.Get();
    attributes.bInheritHandle = FALSE;
}
} // namespace QvBase
