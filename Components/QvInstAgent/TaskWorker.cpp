#include "TaskWorker.h"

#include "AgentLog.h"
#include "AgentTask.h"
#include "TestSteering.h"
#include "qvexception.h"

namespace QvAgent
{
CTaskWorker::CTaskWorker(CAgentObjects& objects, HANDLE stopEvent)
    : objects(objects), stopEvent(stopEvent)
{
}

bool CTaskWorker::Stopping() const
{
    return WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0;
}

void CTaskWorker::Run()
{
    if (!TakeUpStoredTasks())
        return;
    const HANDLE events[] = {stopEvent, objects.NewTaskEvent()};
    while (WaitForMultipleObjects(ARRAYSIZE(events), events, /*waitAll=*/FALSE, INFINITE) ==
           WAIT_OBJECT_0 + 1)
    {
        const CTaskAnnouncement announced = objects.ReadAnnouncement();
        Log(L"announced: task %s type %d", announced.id.c_str(), announced.type);
        // A registry-backed task has its key; any other waits in its section.
        if (!announced.id.empty() && !TakeUp(announced.id, announced.type, IsStored(announced.id)))
            return;
        // Tasks stored while this one ran, announced or not.
        if (!TakeUpStoredTasks())
            return;
    }
}

bool CTaskWorker::TakeUpStoredTasks()
{
    for (const CStoredTask& task : PendingStoredTasks())
        if (taken.count(task.id) == 0 && !TakeUp(task.id, task.type, /*registryBacked=*/true))
            return false;
    return !Stopping();
}

bool CTaskWorker::TakeUp(const std::wstring& id, int type, bool registryBacked)
{
    if (Stopping())
        return false;
    taken.insert(id);
    Log(L"task %s type %d taken up", id.c_str(), type);
    const CTestSteering steering = ReadTestSteering(type);
    if (steering.exitMidTask)
    {
        Log(L"test steering: the service process ends in the middle of task %s", id.c_str());
        TerminateProcess(GetCurrentProcess(), ERROR_PROCESS_ABORTED);
    }
    if (steering.delayMs != 0)
    {
        Log(L"test steering: %u ms before task %s", steering.delayMs, id.c_str());
        if (WaitForSingleObject(stopEvent, steering.delayMs) == WAIT_OBJECT_0)
        {
            Log(L"stopped before task %s began; it waits for the next start", id.c_str());
            return false;
        }
    }
    try
    {
        const QvBase::CUniqueHandle process = image.Start(id, type, registryBacked);
        const HANDLE events[] = {stopEvent, process.Get()};
        if (WaitForMultipleObjects(ARRAYSIZE(events), events, /*waitAll=*/FALSE, INFINITE) ==
            WAIT_OBJECT_0)
        {
            Log(L"stopping while task %s runs on in process %lu", id.c_str(),
                GetProcessId(process.Get()));
            return false;
        }
        DWORD code = 0;
        GetExitCodeProcess(process.Get(), &code);
        Log(L"task %s done: %lu", id.c_str(), code);
    }
    catch (QvBase::CQvError& error)
    {
        Log(L"task %s not started: %s", id.c_str(), error.Dump());
    }
    return true;
}
} // namespace QvAgent
