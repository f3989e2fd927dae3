#include "AgentTask.h"

#include "InstallTask.h"
#include "InstallTaskKinds.h"
#include "InstallTaskKeys.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <algorithm>

namespace QvAgent
{
namespace
{
class CLibraryTask : public IAgentTask
{
public:
    explicit CLibraryTask(std::shared_ptr<CCommonInstallTask> task) : task(std::move(task)) {}

    CTaskParams Load() override
    {
        task->Load();
        CTaskParams params;
        params.source = task->GetSrcPath();
        params.locale = task->GetLocale();
        params.patches = GetPatchPaths(*task);
        return params;
    }
    void Complete(unsigned int code, const std::wstring& resultDocument) override
    {
        task->Complete(static_cast<int>(code), resultDocument);
        completed = true;
    }
    void KeepResultUntilTaken(unsigned long maxMs) override
    {
        if (!completed || task->IsRegistryBacked())
            return;
        const std::wstring running = task->GetRunningEventName();
        for (ULONGLONG start = GetTickCount64(); GetTickCount64() - start < maxMs;
             Sleep(kTakenPollMs))
        {
            // The setup side holds its running event for as long as its task
            // lives; once nobody does, the name no longer opens.
            const QvBase::CUniqueHandle held(OpenEventW(SYNCHRONIZE, FALSE, running.c_str()));
            if (!held)
                return;
        }
    }

private:
    static constexpr DWORD kTakenPollMs = 100;
    std::shared_ptr<CCommonInstallTask> task;
    bool completed = false;
};
} // namespace

std::unique_ptr<IAgentTask> OpenAgentTask(const std::wstring& id, int type, bool registryBacked)
{
    QV_FUNCTION_NAME(L"QvAgent::OpenAgentTask");
    std::shared_ptr<CCommonInstallTask> task = CreateTaskOfType(type, id);
    if (!task)
        QV_RAISE(ERROR_INVALID_PARAMETER);
    task->SetRegistryBacked(registryBacked);
    return std::make_unique<CLibraryTask>(std::move(task));
}

bool IsStored(const std::wstring& id)
{
    const std::optional<CStoredTask> task = FindStoredTask(id);
    return task && task->hasTask;
}

bool HasResult(const std::wstring& id)
{
    const std::optional<CStoredTask> task = FindStoredTask(id);
    return task && task->hasResult;
}

std::vector<CPendingTask> PendingStoredTasks()
{
    std::vector<CStoredTask> stored = ListStoredTasks();
    stored.erase(std::remove_if(stored.begin(), stored.end(),
                                [](const CStoredTask& task)
                                { return !task.hasTask || task.hasResult; }),
                 stored.end());
    std::stable_sort(stored.begin(), stored.end(),
                     [](const CStoredTask& a, const CStoredTask& b)
                     { return a.created < b.created; });
    std::vector<CPendingTask> tasks;
    for (const CStoredTask& task : stored)
        tasks.push_back({task.id, task.type});
    return tasks;
}
} // namespace QvAgent
