#pragma once

// The service's work loop: the stored tasks without a result first, oldest
// first, then each announced task as it comes, one at a time, each followed
// by a look at the tasks stored meanwhile (announcements share one event and
// one record, so of two announced while a task runs only the last is read).
// A stop ends every wait at once; a task whose work has not begun stays
// without a result for the next start, one whose task process runs is
// finished by it. Once the service's entry is retired (disabled or deleted)
// the loop ends after the task in hand.
#include "AgentObjects.h"
#include "TaskProcess.h"

#include <windows.h>

#include <set>
#include <string>

namespace QvAgent
{
class CTaskWorker
{
public:
    CTaskWorker(CAgentObjects& objects, HANDLE stopEvent, std::wstring serviceName);
    void Run();

private:
    // False when a stop came first.
    bool TakeUpStoredTasks();
    bool TakeUp(const std::wstring& id, int type, bool registryBacked);
    // The task's process, or none when a stop came first or it could not be
    // started (the task then has its result).
    QvBase::CUniqueHandle StartTaskProcess(const std::wstring& id, int type, bool registryBacked);
    bool Stopping() const;
    bool Retired() const;

    CAgentObjects& objects;
    HANDLE stopEvent;
    std::wstring serviceName;
    CTaskProcessImage image;
    // Taken up in this run: never again until the next start, so that a task
    // left without a result cannot keep the loop busy.
    std::set<std::wstring> taken;
};
} // namespace QvAgent
