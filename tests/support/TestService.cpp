#include "TestService.h"

#include "ProcessRunner.h"
#include "UniqueResource.h"

#include <vector>

namespace QvTest
{
namespace
{
constexpr DWORD kStopWaitMs = 10000;

QvBase::CUniqueServiceHandle OpenManager()
{
    return QvBase::CUniqueServiceHandle(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
}

QvBase::CUniqueServiceHandle OpenTestService(const std::wstring& name)
{
    const QvBase::CUniqueServiceHandle manager = OpenManager();
    return QvBase::CUniqueServiceHandle(
        OpenServiceW(manager.Get(), name.c_str(), SERVICE_ALL_ACCESS));
}

// A QueryServiceConfig2W block of the given level.
std::vector<BYTE> QueryConfig2(SC_HANDLE service, DWORD level)
{
    DWORD needed = 0;
    QueryServiceConfig2W(service, level, nullptr, 0, &needed);
    std::vector<BYTE> data(needed);
    if (needed == 0 || !QueryServiceConfig2W(service, level, data.data(), needed, &needed))
        data.clear();
    return data;
}

std::wstring Text(const wchar_t* text)
{
    return text != nullptr ? text : L"";
}
} // namespace

CTestService::CTestService(const std::wstring& name) : name(name)
{
    Remove();
}

CTestService::~CTestService()
{
    Remove();
}

std::wstring CTestService::ProgramImagePath()
{
    return L"\"" + BinDir() + L"QvTestService.exe\"";
}

DWORD CTestService::Register(const std::wstring& displayName, const std::wstring& imagePath)
{
    const QvBase::CUniqueServiceHandle manager = OpenManager();
    const QvBase::CUniqueServiceHandle service(
        CreateServiceW(manager.Get(), name.c_str(), displayName.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       imagePath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return service ? ERROR_SUCCESS : GetLastError();
}

DWORD CTestService::Start(const wchar_t* argument)
{
    const QvBase::CUniqueServiceHandle service = OpenTestService(name);
    const wchar_t* arguments[] = {argument};
    if (!StartServiceW(service.Get(), argument != nullptr ? 1 : 0,
                       argument != nullptr ? arguments : nullptr))
        return GetLastError();
    return ERROR_SUCCESS;
}

DWORD CTestService::State() const
{
    const QvBase::CUniqueServiceHandle service = OpenTestService(name);
    SERVICE_STATUS status = {};
    return service && QueryServiceStatus(service.Get(), &status) ? status.dwCurrentState : 0;
}

bool CTestService::WaitForState(DWORD state, DWORD timeoutMs) const
{
    for (DWORD waited = 0;; waited += 20)
    {
        if (State() == state)
            return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(20);
    }
}

bool CTestService::Exists() const
{
    return static_cast<bool>(OpenTestService(name));
}

bool CTestService::ReadConfig(ServiceConfig& config) const
{
    const QvBase::CUniqueServiceHandle service = OpenTestService(name);
    if (!service)
        return false;
    DWORD needed = 0;
    QueryServiceConfigW(service.Get(), nullptr, 0, &needed);
    std::vector<BYTE> data(needed);
    auto* query = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(data.data());
    if (needed == 0 || !QueryServiceConfigW(service.Get(), query, needed, &needed))
        return false;
    config.imagePath = Text(query->lpBinaryPathName);
    config.serviceType = query->dwServiceType;
    config.startType = query->dwStartType;
    config.errorControl = query->dwErrorControl;
    config.loadOrderGroup = Text(query->lpLoadOrderGroup);
    config.account = Text(query->lpServiceStartName);
    config.displayName = Text(query->lpDisplayName);

    const std::vector<BYTE> description = QueryConfig2(service.Get(), SERVICE_CONFIG_DESCRIPTION);
    if (!description.empty())
        config.description =
            Text(reinterpret_cast<const SERVICE_DESCRIPTIONW*>(description.data())->lpDescription);
    const std::vector<BYTE> preShutdown =
        QueryConfig2(service.Get(), SERVICE_CONFIG_PRESHUTDOWN_INFO);
    if (!preShutdown.empty())
        config.preShutdownTimeoutMs =
            reinterpret_cast<const SERVICE_PRESHUTDOWN_INFO*>(preShutdown.data())
                ->dwPreshutdownTimeout;
    return true;
}

void CTestService::Remove() const
{
    const QvBase::CUniqueServiceHandle service = OpenTestService(name);
    if (!service)
        return;
    SERVICE_STATUS status = {};
    if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status) ||
        GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
        WaitForState(SERVICE_STOPPED, kStopWaitMs);
    DeleteService(service.Get());
}
} // namespace QvTest
