// Interim task side, until the install library carries the task classes.
#include "AgentTask.h"
#include "qvexception.h"

namespace QvAgent
{
std::unique_ptr<IAgentTask> OpenAgentTask(const std::wstring&, int, bool)
{
    QV_THROW(ERROR_CALL_NOT_IMPLEMENTED, L"QvAgent::OpenAgentTask");
}
std::vector<CStoredTask> PendingStoredTasks()
{
    return {};
}
bool IsStored(const std::wstring&)
{
    return false;
}
bool HasResult(const std::wstring&)
{
    return false;
}
} // namespace QvAgent
