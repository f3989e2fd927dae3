#include "AgentTask.h"

#include "InstallTask.h"
#include "InstallTaskKinds.h"
#include "InstallTaskNames.h"
#include "RegistryKey.h"
#include "UniqueResource.h"
#include "qvexception.h"

#include <algorithm>
#include <cstring>

namespace QvAgent
{
namespace
{
// Entries of a loaded patch list end in the list's "*".
std::vector<std::wstring> WithoutStars(const TaskPatchList& patches)
{
    std::vector<std::wstring> plain;
    for (std::wstring patch : patches)
    {
        while (!patch.empty() && patch.back() == L'*')
            patch.pop_back();
        if (!patch.empty())
            plain.push_back(patch);
    }
    return plain;
}

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
        if (const auto* upgrade = dynamic_cast<const CUpgradeTask*>(task.get()))
            params.patches = WithoutStars(upgrade->GetPatches());
        else if (const auto* patches = dynamic_cast<const CApplyRemovePatchesTask*>(task.get()))
            params.patches = WithoutStars(patches->GetPatches());
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

std::wstring TaskRootPath()
{
    std::wstring root = kInstallTaskKeyPrefix;
    root.pop_back(); // the prefix ends in the backslash before the id
    return root;
}

bool OpenTaskKey(const std::wstring& id, QvBase::CRegistryKey& key)
{
    return key.OpenSub(GetTaskKeyPath(id).c_str(), /*create=*/false, KEY_READ) == ERROR_SUCCESS;
}

bool HasValue(QvBase::CRegistryKey& key, const wchar_t* name)
{
    QvBase::CRegistryValue value;
    return key.QueryValue(name, value) == ERROR_SUCCESS;
}

struct CStoredEntry
{
    CStoredTask task;
    ULONGLONG created = 0;
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
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    return OpenTaskKey(id, key) && HasValue(key, kTaskXmlValue);
}

bool HasResult(const std::wstring& id)
{
    QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
    return OpenTaskKey(id, key) && HasValue(key, kTaskResultValue);
}

std::vector<CStoredTask> PendingStoredTasks()
{
    std::vector<CStoredEntry> entries;
    QvBase::CRegistryKey root(QvBase::CRegistryKey::RootLocalMachine);
    if (root.OpenSub(TaskRootPath().c_str(), /*create=*/false, KEY_READ) != ERROR_SUCCESS)
        return {};
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[256] = {};
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(root.Handle(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
        QvBase::CRegistryKey key(QvBase::CRegistryKey::RootLocalMachine);
        if (!OpenTaskKey(name, key) || !HasValue(key, kTaskXmlValue) ||
            HasValue(key, kTaskResultValue))
            continue;
        CStoredEntry entry;
        entry.task.id = name;
        DWORD type = 0;
        key.GetDword(kTaskTypeValue, type, 0);
        entry.task.type = static_cast<int>(type);
        QvBase::CRegistryValue created;
        if (key.QueryValue(kTaskTimeCreatedValue, created) == ERROR_SUCCESS &&
            created.data.size() >= sizeof entry.created)
            std::memcpy(&entry.created, created.data.data(), sizeof entry.created);
        entries.push_back(entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CStoredEntry& a, const CStoredEntry& b)
                     { return a.created < b.created; });
    std::vector<CStoredTask> tasks;
    for (const CStoredEntry& entry : entries)
        tasks.push_back(entry.task);
    return tasks;
}
} // namespace QvAgent
