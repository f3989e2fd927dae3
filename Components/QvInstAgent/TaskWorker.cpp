#include "TaskWorker.h"

#include "AgentLog.h"
#include "AgentTask.h"
#include "ServiceEntry.h"
#include "TaskWork.h"
#include "TestSteering.h"
#include "qvexception.h"

namespace QvAgent
{
namespace
{
// Starting a process can fail for a moment (seen under Wine with 1359); a
// task is tried this often before it is given up with that error as result.
constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryMs = 500;
// How often an idle agent looks whether its service entry is retired.
constexpr DWORD kEntryCheckMs = 1000;
} // namespace

CTaskWorker::CTaskWorker(CAgentObjects& objects, HANDLE stopEvent, std::wstring serviceName)
    : objects(objects), stopEvent(stopEvent), serviceName(std::move(serviceName))
{
}

bool CTaskWorker::Retired() const
{
    if (!IsServiceEntryRetired(serviceName))
        return false;
    Log(L"%s: the service entry is disabled or deleted; the agent ends", serviceName.c_str());
    return true;
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
    for (;;)
    {
        const DWORD woke =
            WaitForMultipleObjects(ARRAYSIZE(events), events, /*waitAll=*/FALSE, kEntryCheckMs);
        if (woke == WAIT_TIMEOUT)
        {
            if (Retired())
                return;
            continue;
        }
        if (woke != WAIT_OBJECT_0 + 1)
            return;
        const CTaskAnnouncement announced = objects.ReadAnnouncement();
        Log(L"announced: task %s type %d", announced.id.c_str(), announced.type);
        // A registry-backed task has its key; any other waits in its section.
        if (!announced.id.empty() && !TakeUp(announced.id, announced.type, IsStored(announced.id)))
            return;
        // Tasks stored while this one ran, announced or not.
        if (!TakeUpStoredTasks() || Retired())
            return;
    }
}

bool CTaskWorker::TakeUpStoredTasks()
{
    for (const CPendingTask& task : PendingStoredTasks())
        if (taken.count(task.id) == 0 && !TakeUp(task.id, task.type, /*registryBacked=*/true))
            return false;
    return !Stopping();
}

QvBase::CUniqueHandle CTaskWorker::StartTaskProcess(const std::wstring& id, int type,
                                                    bool registryBacked)
{
    for (int attempt = 1;; ++attempt)
    {
        try
        {
            return image.Start(id, type, registryBacked);
        }
        catch (QvBase::CQvError& error)
        {
            Log(L"task %s not started (attempt %d): %s", id.c_str(), attempt, error.Dump());
            if (attempt == kStartAttempts)
            {
                // The setup program waits for a result: it gets the reason.
                CompleteUnstartedTask(id, type, registryBacked, error.Code());
                return QvBase::CUniqueHandle();
            }
        }
        if (WaitForSingleObject(stopEvent, kStartRetryMs) == WAIT_OBJECT_0)
            return QvBase::CUniqueHandle();
    }
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
    const QvBase::CUniqueHandle process = StartTaskProcess(id, type, registryBacked);
    if (!process)
        return !Stopping();
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
    return true;
}
} // namespace QvAgent
