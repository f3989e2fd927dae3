#include "InstallTaskKeys.h"

#include <cstring>

namespace
{
// A task id is a braced GUID; longer names are no task's.
constexpr DWORD kLongestName = 256;

bool HasValue(QvBase::CRegistryKey& key, const wchar_t* name)
{
    QvBase::CRegistryValue value;
    return key.QueryValue(name, value) == ERROR_SUCCESS;
}

CStoredTask ReadTask(const std::wstring& id, CTaskKey& key)
{
    CStoredTask task;
    task.id = id;
    DWORD type = 0;
    key.GetDword(kTaskTypeValue, type, 0);
    task.type = static_cast<int>(type);
    QvBase::CRegistryValue created;
    if (key.QueryValue(kTaskTimeCreatedValue, created) == ERROR_SUCCESS &&
        created.data.size() >= sizeof task.created)
        std::memcpy(&task.created, created.data.data(), sizeof task.created);
    task.hasTask = HasValue(key, kTaskXmlValue);
    task.hasResult = HasValue(key, kTaskResultValue);
    return task;
}
} // namespace

std::wstring GetTaskKeyPath(const std::wstring& taskId)
{
    return std::wstring(kInstallTaskRootKey) + L"\\" + taskId;
}

CTaskKey::CTaskKey(const std::wstring& taskId) : CRegistryKey(RootLocalMachine)
{
    (void)OpenSub(GetTaskKeyPath(taskId).c_str(), /*create=*/false, QvBase::kKeyReadWrite);
}

std::vector<CStoredTask> ListStoredTasks()
{
    std::vector<CStoredTask> tasks;
    QvBase::CRegistryKey root(QvBase::CRegistryKey::RootLocalMachine);
    if (root.OpenSub(kInstallTaskRootKey, /*create=*/false, KEY_READ) != ERROR_SUCCESS)
        return tasks;
    for (DWORD index = 0;; ++index)
    {
        wchar_t name[kLongestName] = {};
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(root.Handle(), index, name, &length, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            return tasks;
        if (std::optional<CStoredTask> task = FindStoredTask(name))
            tasks.push_back(std::move(*task));
    }
}

std::optional<CStoredTask> FindStoredTask(const std::wstring& taskId)
{
    CTaskKey key(taskId);
    if (!key.Handle())
        return std::nullopt;
    return ReadTask(taskId, key);
}

std::wstring ReadStoredResult(const std::wstring& taskId)
{
    std::wstring text;
    CTaskKey(taskId).GetString(kTaskErrorValue, text, std::wstring());
    return text;
}
