#pragma once

// The service's work loop: the stored tasks without a result first, oldest
// first, then each announced task as it comes, one at a time. A stop ends
// every wait at once; a task whose work has not begun stays without a result
// for the next start, one whose task process runs is finished by it.
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
    CTaskWorker(CAgentObjects& objects, HANDLE stopEvent);
    void Run();

private:
    // False when a stop came first.
    bool TakeUpStoredTasks();
    bool TakeUp(const std::wstring& id, int type, bool registryBacked);
    bool Stopping() const;

    CAgentObjects& objects;
    HANDLE stopEvent;
    CTaskProcessImage image;
    // Taken up in this run: never again until the next start, so that a task
    // left without a result cannot keep the loop busy.
    std::set<std::wstring> taken;
};
} // namespace QvAgent
