// A small real service for the service-control tests. Its behaviour is chosen
// by the first start argument:
//   (none)               runs until it is told to stop;
//   stop-while-starting  reports that it is starting, then that it stopped;
//   slow-stop            runs; told to stop, it reports a pending stop for
//                        two seconds before it stops;
//   refuse-stop          runs for three seconds accepting no control, then
//                        stops by itself.
#include "UniqueResource.h"

#include <windows.h>

#include <cwchar>

namespace
{
SERVICE_STATUS_HANDLE statusHandle = nullptr;
QvBase::CUniqueHandle stopRequested;

void Report(DWORD state, DWORD accepted = 0, DWORD exitCode = NO_ERROR)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    status.dwWin32ExitCode = exitCode;
    status.dwWaitHint = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ? 3000 : 0;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_INTERROGATE)
        return NO_ERROR;
    if (control != SERVICE_CONTROL_STOP)
        return ERROR_CALL_NOT_IMPLEMENTED;
    Report(SERVICE_STOP_PENDING);
    SetEvent(stopRequested.Get());
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD argc, wchar_t** argv)
{
    statusHandle = RegisterServiceCtrlHandlerExW(argv[0], &Handler, nullptr);
    if (statusHandle == nullptr)
        return;
    const wchar_t* mode = argc > 1 ? argv[1] : L"";
    if (wcscmp(mode, L"stop-while-starting") == 0)
    {
        Report(SERVICE_START_PENDING);
        Sleep(50);
        Report(SERVICE_STOPPED, 0, ERROR_SERVICE_SPECIFIC_ERROR);
        return;
    }
    if (wcscmp(mode, L"refuse-stop") == 0)
    {
        Report(SERVICE_RUNNING, /*accepted=*/0);
        Sleep(3000);
        Report(SERVICE_STOPPED);
        return;
    }
    const bool slowStop = wcscmp(mode, L"slow-stop") == 0;
    stopRequested.Reset(
        CreateEventW(nullptr, /*manualReset=*/TRUE, /*initialState=*/FALSE, nullptr));
    Report(SERVICE_RUNNING, SERVICE_ACCEPT_STOP);
    WaitForSingleObject(stopRequested.Get(), INFINITE);
    if (slowStop)
        Sleep(2000);
    Report(SERVICE_STOPPED);
}
} // namespace

int wmain()
{
    // An own-process service: the dispatcher ignores the name.
    SERVICE_TABLE_ENTRYW table[] = {{const_cast<wchar_t*>(L""), &ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : static_cast<int>(GetLastError());
}
