#include "StoredTasks.h"

#include "InstallTaskKeys.h"

namespace QvTest
{
std::set<std::wstring> StoredTaskIds()
{
    std::set<std::wstring> ids;
    for (const CStoredTask& task : ListStoredTasks())
        ids.insert(task.id);
    return ids;
}
} // namespace QvTest
