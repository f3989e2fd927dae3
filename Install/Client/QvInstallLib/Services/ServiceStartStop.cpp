#include "ServiceStartStop.h"

#include "FuncTraceContext.h"
#include "ScmHandle.h"
#include "WaitSeam.h"

namespace
{
constexpr const wchar_t* kSource = L"SCMfuncs";
constexpr DWORD kFirstWaitMs = 100;
constexpr DWORD kStartPollMs = 500;
constexpr DWORD kStopPollMs = 100;
constexpr DWORD kTimedOut = static_cast<DWORD>(E_FAIL);

QvBase::CWaitSeam pollWait;

const wchar_t* StartStateText(DWORD state)
{
    switch (state)
    {
    case SERVICE_START_PENDING:
        return L"SERVICE_START_PENDING";
    case SERVICE_RUNNING:
        return L"SERVICE_RUNNING";
    case SERVICE_CONTINUE_PENDING:
        return L"SERVICE_CONTINUE_PENDING";
    case SERVICE_PAUSE_PENDING:
        return L"SERVICE_PAUSE_PENDING";
    case SERVICE_PAUSED:
        return L"SERVICE_PAUSED";
    default:
        return L"unknown status";
    }
}

const wchar_t* StopStateText(DWORD state)
{
    if (state == SERVICE_STOPPED)
        return L"SERVICE_STOPPED";
    if (state >= SERVICE_STOP_PENDING && state <= SERVICE_PAUSED)
        return L"SERVICE_RUNNING";
    return L"unknown status";
}

// Polls until the service reaches the wanted state. The counter adds one
// period per pass rather than the time really spent; a failed query ends the
// wait when the start is awaited and is only passed over when the stop is.
DWORD WaitForState(ClibFuncTraceContext& trace, SC_HANDLE service, DWORD wanted, DWORD periodMs,
                   DWORD timeoutMs)
{
    const bool starting = wanted == SERVICE_RUNNING;
    pollWait(kFirstWaitMs);
    DWORD counter = 0;
    for (;;)
    {
        SERVICE_STATUS status = {};
        if (QueryServiceStatus(service, &status))
        {
            const DWORD state = status.dwCurrentState;
            trace.Trace(2, L"%s", starting ? StartStateText(state) : StopStateText(state));
            if (state == wanted)
                return ERROR_SUCCESS;
        }
        else if (starting)
            return kTimedOut;
        counter += periodMs;
        if (counter > timeoutMs)
        {
            trace.Trace(2, starting ? L"Starting driver time out" : L"Stopping driver time out");
            return kTimedOut;
        }
        pollWait(periodMs);
    }
}
} // namespace

namespace ServiceControlSeams
{
WaitFunction SetPollWait(WaitFunction wait)
{
    return pollWait.Replace(wait);
}
} // namespace ServiceControlSeams

DWORD StartDriver(const wchar_t* name, DWORD timeoutMs, const std::vector<std::wstring>& arguments)
{
    ClibFuncTraceContext trace(L"StartDriver", kSource);
    trace.Trace(2, L"%s,%d", name, static_cast<int>(timeoutMs));
    CManagedService scm;
    if (!scm.HasManager())
        return scm.Error();
    if (!scm.Open(name, SERVICE_START | SERVICE_QUERY_STATUS))
    {
        trace.Trace(2, L"OpenService: 0x%x", scm.Error());
        return scm.Error();
    }

    std::vector<const wchar_t*> pointers;
    for (const std::wstring& argument : arguments)
        pointers.push_back(argument.c_str());
    if (!StartServiceW(scm.Service(), static_cast<DWORD>(pointers.size()),
                       pointers.empty() ? nullptr : pointers.data()))
    {
        const DWORD error = GetLastError();
        trace.Trace(2, L"StartService: 0x%x", error);
        return error == ERROR_SERVICE_ALREADY_RUNNING ? ERROR_SUCCESS : error;
    }
    return WaitForState(trace, scm.Service(), SERVICE_RUNNING, kStartPollMs, timeoutMs);
}

DWORD StopDriver(const wchar_t* name, DWORD timeoutMs)
{
    ClibFuncTraceContext trace(L"StopDriver", kSource);
    trace.Trace(2, L"%s", name);
    CManagedService scm;
    if (!scm.HasManager())
    {
        trace.Trace(4, L"OpenSCManager %d", static_cast<int>(scm.Error()));
        return scm.Error();
    }
    if (!scm.Open(name, SERVICE_STOP | SERVICE_QUERY_STATUS))
        return ERROR_SUCCESS; // a service that is not there is not running either

    SERVICE_STATUS status = {};
    if (!ControlService(scm.Service(), SERVICE_CONTROL_STOP, &status))
    {
        const DWORD error = GetLastError();
        trace.Trace(4, L"ControlService %d", static_cast<int>(error));
        return error == ERROR_INVALID_SERVICE_CONTROL || error == ERROR_SERVICE_NOT_ACTIVE
                   ? ERROR_SUCCESS
                   : error;
    }
    return WaitForState(trace, scm.Service(), SERVICE_STOPPED, kStopPollMs, timeoutMs);
}
