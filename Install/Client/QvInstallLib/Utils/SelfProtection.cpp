#include "SelfProtection.h"

#include "FuncTraceContext.h"
#include "QvSrvBinding.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <windows.h>

#include <memory>

namespace
{
constexpr const wchar_t* kProductServices[] = {
    L"QvSrv",       L"QvAgent",         L"QvScanner",     L"QvUpdate",
    L"QvFirewall",  L"QvNetFilter",     L"QvFileFilter",  L"QvWebGuard",
    L"QvMailGuard", L"QvDeviceControl", L"QvSelfProtect", L"QvReporter",
};
constexpr const wchar_t* kCaller = L"QvSetup";

DWORD Interrogate(SC_HANDLE manager, const wchar_t* name)
{
    const QvBase::CUniqueServiceHandle service(OpenServiceW(manager, name, SERVICE_INTERROGATE));
    if (!service)
        return GetLastError();
    SERVICE_STATUS status = {};
    return ControlService(service.Get(), SERVICE_CONTROL_INTERROGATE, &status) ? ERROR_SUCCESS
                                                                               : GetLastError();
}
} // namespace

void InterrogateProductServices()
{
    QV_LIB_FUNCTION(L"InterrogateProductServices", L"utils");
    const QvBase::CUniqueServiceHandle manager(
        OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
    {
        trace.Trace(4, L"OpenSCManager: %d", GetLastError());
        return;
    }
    for (const wchar_t* name : kProductServices)
    {
        const DWORD rc = Interrogate(manager.Get(), name);
        if (rc != ERROR_SERVICE_DOES_NOT_EXIST)
            trace.Trace(2, L"%s: %d", name, rc);
    }
}

CSelfProtectionServiceMode::CSelfProtectionServiceMode(const wchar_t* library)
{
    QV_LIB_FUNCTION(L"CSelfProtectionServiceMode::CSelfProtectionServiceMode", L"utils");
    try
    {
        api = std::make_unique<CQvSrvApi>(library);
        int rc = api->GetSelfProtectionMode(previousMode);
        if (rc == 0 && previousMode != QvSrvSelfProtectionService)
        {
            rc = api->SetSelfProtectionMode(QvSrvSelfProtectionService, kCaller);
            switched = rc == 0;
        }
        trace.Trace(rc == 0 ? 2 : 4, L"mode %u: %d", previousMode, rc);
    }
    QV_CATCH_TRACE(trace)
    if (switched)
        InterrogateProductServices();
}

CSelfProtectionServiceMode::~CSelfProtectionServiceMode()
{
    if (!switched)
        return;
    try
    {
        QV_LIB_FUNCTION(L"CSelfProtectionServiceMode::~CSelfProtectionServiceMode", L"utils");
        const int rc = api->SetSelfProtectionMode(previousMode, kCaller);
        trace.Trace(rc == 0 ? 2 : 4, L"mode %u: %d", previousMode, rc);
        InterrogateProductServices();
    }
    catch (...)
    {
    }
}
