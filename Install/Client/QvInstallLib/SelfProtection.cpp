#include "SelfProtection.h"

#include "FuncTraceContext.h"
#include "QvSrvBinding.h"
#include "qvexception.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace
{
constexpr const wchar_t* kProductServices[] = {
    L"QvSrv",       L"QvAgent",         L"QvScanner",     L"QvUpdate",
    L"QvFirewall",  L"QvNetFilter",     L"QvFileFilter",  L"QvWebGuard",
    L"QvMailGuard", L"QvDeviceControl", L"QvSelfProtect", L"QvReporter",
};
constexpr const wchar_t* kCaller = L"QvSetup";

struct CloseService
{
    void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, CloseService>;

DWORD Interrogate(SC_HANDLE manager, const wchar_t* name)
{
    ServiceHandle service(OpenServiceW(manager, name, SERVICE_INTERROGATE));
    if (!service)
        return GetLastError();
    SERVICE_STATUS status = {};
    return ControlService(service.get(), SERVICE_CONTROL_INTERROGATE, &status) ? ERROR_SUCCESS
                                                                               : GetLastError();
}
} // namespace

void InterrogateProductServices()
{
    ClibFuncTraceContext trace(L"InterrogateProductServices", L"utils");
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager)
    {
        trace.Trace(4, L"OpenSCManager: %d", GetLastError());
        return;
    }
    for (const wchar_t* name : kProductServices)
    {
        const DWORD rc = Interrogate(manager.get(), name);
        if (rc != ERROR_SERVICE_DOES_NOT_EXIST)
            trace.Trace(2, L"%s: %d", name, rc);
    }
}

CSelfProtectionServiceMode::CSelfProtectionServiceMode(const wchar_t* library)
{
    ClibFuncTraceContext trace(L"CSelfProtectionServiceMode::CSelfProtectionServiceMode", L"utils");
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
    catch (QvBase::CQvError& error)
    {
        trace.Trace(4, L"%s", error.Dump());
    }
    if (switched)
        InterrogateProductServices();
}

CSelfProtectionServiceMode::~CSelfProtectionServiceMode()
{
    if (!switched)
        return;
    try
    {
        ClibFuncTraceContext trace(L"CSelfProtectionServiceMode::~CSelfProtectionServiceMode",
                                   L"utils");
        const int rc = api->SetSelfProtectionMode(previousMode, kCaller);
        trace.Trace(rc == 0 ? 2 : 4, L"mode %u: %d", previousMode, rc);
        InterrogateProductServices();
    }
    catch (...)
    {
    }
}
