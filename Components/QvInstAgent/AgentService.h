#pragma once

// The service: runs under whatever name the Service Control Manager started
// it as, offers the agent's named objects, works through tasks on the
// service's own thread and stops on a stop or shutdown control, also in the
// middle of a wait.
#include "UniqueResource.h"

#include <windows.h>

#include <string>

namespace QvAgent
{
class CAgentService
{
public:
    explicit CAgentService(std::wstring name);
    // The service's whole life; returns once it has reported itself stopped.
    void Run();

    // For the Service Control Manager's dispatcher.
    static void WINAPI ServiceMain(DWORD argc, LPWSTR* argv);

private:
    static DWORD WINAPI Control(DWORD control, DWORD eventType, void* eventData, void* context);
    void Report(DWORD state, DWORD exitCode = NO_ERROR, DWORD waitHint = 0);

    std::wstring name;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    QvBase::CUniqueHandle stopEvent;
};
} // namespace QvAgent
