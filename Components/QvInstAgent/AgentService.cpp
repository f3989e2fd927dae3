#include "AgentService.h"

#include "AgentLog.h"
#include "AgentObjects.h"
#include "TaskWorker.h"
#include "qvexception.h"

namespace QvAgent
{
namespace
{
constexpr DWORD kStateWaitHint = 30000;
} // namespace

CAgentService::CAgentService(std::wstring name)
    : name(std::move(name)),
      stopEvent(CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, nullptr))
{
}

void WINAPI CAgentService::ServiceMain(DWORD argc, LPWSTR* argv)
{
    // An own-process service is started under the name it was registered as,
    // which the Service Control Manager passes first.
    CAgentService service(argc > 0 && argv[0] != nullptr ? argv[0] : L"QvInstAgent");
    service.Run();
}

DWORD WINAPI CAgentService::Control(DWORD control, DWORD, void*, void* context)
{
    auto* service = static_cast<CAgentService*>(context);
    switch (control)
    {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        Log(L"%s: stop requested", service->name.c_str());
        service->Report(SERVICE_STOP_PENDING, NO_ERROR, kStateWaitHint);
        SetEvent(service->stopEvent.Get());
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void CAgentService::Report(DWORD state, DWORD exitCode, DWORD waitHint)
{
    static DWORD checkPoint = 0;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = waitHint;
    status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : ++checkPoint;
    SetServiceStatus(statusHandle, &status);
}

void CAgentService::Run()
{
    statusHandle = RegisterServiceCtrlHandlerExW(name.c_str(), &CAgentService::Control, this);
    if (statusHandle == nullptr)
    {
        Log(L"%s: no control handler: %lu", name.c_str(), GetLastError());
        return;
    }
    Report(SERVICE_START_PENDING, NO_ERROR, kStateWaitHint);
    DWORD exitCode = NO_ERROR;
    try
    {
        CAgentObjects objects;
        CTaskWorker worker(objects, stopEvent.Get(), name);
        objects.SetReady();
        Report(SERVICE_RUNNING);
        Log(L"%s: running", name.c_str());
        worker.Run();
    }
    catch (QvBase::CQvError& error)
    {
        Log(L"%s: %s", name.c_str(), error.Dump());
        exitCode = error.Code();
    }
    Log(L"%s: stopped", name.c_str());
    Report(SERVICE_STOPPED, exitCode);
}
} // namespace QvAgent
