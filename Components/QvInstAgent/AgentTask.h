#pragma once

// The agent's side of one install task, over the install library's task
// classes: Load reads the stored or announced task (and counts its tries),
// Complete writes the result and signals the setup program.
#include <memory>
#include <string>
#include <vector>

namespace QvAgent
{
struct CTaskParams
{
    std::wstring source;
    std::wstring locale;
    // Patch files (apply) or patch directories (upgrade), without the "*"
    // the list text carries.
    std::vector<std::wstring> patches;
};

class IAgentTask
{
public:
    virtual ~IAgentTask() = default;
    virtual CTaskParams Load() = 0;
    virtual void Complete(unsigned int code, const std::wstring& resultDocument) = 0;
    // A completed task of the section transport has its result in a section
    // that ends with the last handle to it: keeps it until the setup side has
    // let go of the task's running event (it has had the result, or given up
    // on it), at most maxMs. Returns at once for any other task.
    virtual void KeepResultUntilTaken(unsigned long maxMs) = 0;
};

// A task of that type and id, stored in its task key or, when not
// registry-backed, in its task section. Raises for an unknown type.
std::unique_ptr<IAgentTask> OpenAgentTask(const std::wstring& id, int type, bool registryBacked);

// Stored tasks that have no result yet, oldest first.
struct CPendingTask
{
    std::wstring id;
    int type = 0;
};
std::vector<CPendingTask> PendingStoredTasks();
bool IsStored(const std::wstring& id);
bool HasResult(const std::wstring& id);
} // namespace QvAgent
