#include "AgentMachine.h"

#include "AgentSteering.h"
#include "ClientProduct.h"
#include "InstallTaskKeys.h"
#include "ProcessRunner.h"
#include "RegistryState.h"
#include "StoredTasks.h"
#include "TestFiles.h"
#include "TestService.h"

namespace QvTest
{
namespace
{
// A product that will not go (a broken package) is not tried for ever.
constexpr int kUninstallAttempts = 3;

void RemoveService(const std::wstring& name)
{
    const CTestService service(name); // removes what it finds, when made and when gone
}

void RemoveTask(const std::wstring& id)
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(id).c_str());
}

bool HasResult(const std::wstring& id)
{
    const std::optional<CStoredTask> task = FindStoredTask(id);
    return task && task->hasResult;
}
} // namespace

CAgentMachineCleanup::CAgentMachineCleanup(std::wstring installDir,
                                           std::vector<std::wstring> services)
    : installDir(std::move(installDir)), services(std::move(services))
{
    RemoveLeftovers();
    for (const std::wstring& id : StoredTaskIds())
        if (!HasResult(id))
            RemoveTask(id);
    tasksBefore = StoredTaskIds();
}

CAgentMachineCleanup::~CAgentMachineCleanup()
{
    RemoveLeftovers();
    for (const std::wstring& id : NewTaskIds())
        RemoveTask(id);
}

std::set<std::wstring> CAgentMachineCleanup::NewTaskIds() const
{
    std::set<std::wstring> ids;
    for (const std::wstring& id : StoredTaskIds())
        if (tasksBefore.count(id) == 0)
            ids.insert(id);
    return ids;
}

void CAgentMachineCleanup::RemoveLeftovers() const
{
    CAgentSteering::Clear();
    EndProcesses(L"QvSetup.exe");
    RemoveService(kSccmAgentServiceName);
    for (const std::wstring& name : services)
        RemoveService(name);
    for (int attempt = 0; attempt < kUninstallAttempts && !InstalledClientProduct().empty();
         ++attempt)
        UninstallClient();
    // The product's service of a product that is gone, or never went with it.
    RemoveService(kAgentServiceName);
    if (!installDir.empty())
        RemoveTree(installDir);
}
} // namespace QvTest
