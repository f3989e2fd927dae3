#include "ServiceEntry.h"

#include "UniqueResource.h"

#include <windows.h>

#include <vector>

namespace QvAgent
{
namespace
{
bool IsDisabled(SC_HANDLE service)
{
    DWORD needed = 0;
    QueryServiceConfigW(service, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    std::vector<BYTE> block(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(block.data());
    return QueryServiceConfigW(service, config, needed, &needed) &&
           config->dwStartType == SERVICE_DISABLED;
}

// A configuration change that changes nothing fails on an entry that is
// marked for deletion; it is the documented way to tell.
bool IsMarkedForDeletion(SC_HANDLE service)
{
    return !ChangeServiceConfigW(service, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) &&
           GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE;
}
} // namespace

bool IsServiceEntryRetired(const std::wstring& serviceName)
{
    const QvBase::CUniqueServiceHandle manager(
        OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
        return false;
    const QvBase::CUniqueServiceHandle service(OpenServiceW(
        manager.Get(), serviceName.c_str(), SERVICE_QUERY_CONFIG | SERVICE_CHANGE_CONFIG));
    if (!service)
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    return IsDisabled(service.Get()) || IsMarkedForDeletion(service.Get());
}
} // namespace QvAgent
