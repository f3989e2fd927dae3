// QvInstAgent.exe: the install agent service, or, started with
// "/task <id> <type> registry|section", one of its task processes.
#include "AgentLog.h"
#include "AgentService.h"
#include "TaskProcess.h"
#include "TaskWork.h"

#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv)
{
    if (argc == 5 && _wcsicmp(argv[1], QvAgent::kTaskOption) == 0)
        return static_cast<int>(
            QvAgent::RunTaskProcess(argv[2], static_cast<int>(wcstol(argv[3], nullptr, 10)),
                                    _wcsicmp(argv[4], QvAgent::kRegistryBacking) == 0));

    // The name in the table does not matter for an own-process service.
    wchar_t anyName[] = L"";
    const SERVICE_TABLE_ENTRYW table[] = {{anyName, &QvAgent::CAgentService::ServiceMain},
                                          {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table))
    {
        const DWORD error = GetLastError();
        QvAgent::Log(
            L"QvInstAgent.exe is a service; the Service Control Manager did not start it: %lu",
            error);
        return static_cast<int>(error);
    }
    return 0;
}
