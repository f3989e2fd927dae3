#include "TaskWork.h"

#include "AgentLog.h"
#include "AgentObjects.h"
#include "ClientPackage.h"
#include "DistributionLayout.h"
#include "InstallTask.h"
#include "PathUtils.h"
#include "ProductQueries.h"
#include "QvResponseFile.h"
#include "ResponseFile.h"
#include "TestSteering.h"
#include "qvexception.h"

#include <memory>

namespace QvAgent
{
namespace
{
// A result text without a document element, for the steering fault.
constexpr const wchar_t* kNotADocument = L"no document element";
// How long a result section is kept for a setup side that has not let go of
// the task yet: it reads the result as soon as the running event is set.
constexpr unsigned long kResultKeepMs = 30000;

std::wstring InstalledProduct()
{
    for (const wchar_t* upgradeCode : kProductUpgradeCodes)
    {
        std::wstring product = QvClientPackage::FindInstalledProduct(upgradeCode);
        if (!product.empty())
            return product;
    }
    return std::wstring();
}

std::wstring Join(const std::wstring& dir, const wchar_t* name)
{
    return QvBase::JoinPath(dir.c_str(), name, L'\\');
}

// The package a distribution root carries, or where it should be (Windows
// Installer then gives its own error for a missing package).
std::wstring PackageIn(const std::wstring& root)
{
    const std::wstring package = QvClientPackage::FindPackage(root);
    return package.empty() ? Join(Join(root, kDistributionProgramFolder), kClientPackageFileName)
                           : package;
}

// An install task's source holds the response file; its "Source" names the
// distribution root ("." or nothing: the source itself) and "Installdir"
// the install directory.
unsigned int Install(const CTaskParams& params)
{
    std::unique_ptr<QvInstall::IResponseFile> settings(CreateResponseFile());
    settings->SetWriteThrough(false);
    settings->Load(Join(params.source, kResponseFileName).c_str());
    std::wstring root = settings->GetWellKnownValue(QvInstall::KeySource);
    if (root.empty() || root == L".")
        root = params.source;
    const std::wstring package = PackageIn(root);
    const std::wstring installDir = settings->GetWellKnownValue(QvInstall::KeyInstallDir);
    Log(L"install %s into \"%s\", locale %s", package.c_str(), installDir.c_str(),
        params.locale.c_str());
    return QvClientPackage::InstallPackage(package, installDir, params.locale, /*silent=*/true);
}

unsigned int OnInstalledProduct(const wchar_t* what, UINT (*work)(const std::wstring&))
{
    const std::wstring product = InstalledProduct();
    Log(L"%s product %s", what, product.empty() ? L"(none installed)" : product.c_str());
    return product.empty() ? ERROR_UNKNOWN_PRODUCT : work(product);
}

CTaskOutcome ApplyPatches(const CTaskParams& params)
{
    CTaskOutcome outcome;
    outcome.patches = QvClientPackage::ApplyPatches(params.patches);
    for (const QvClientPackage::CPatchOutcome& patch : outcome.patches)
    {
        Log(L"patch %s: %u", patch.path.c_str(), patch.code);
        if (outcome.code == ERROR_SUCCESS)
            outcome.code = patch.code;
    }
    return outcome;
}

CTaskOutcome RemoveAllPatches()
{
    CTaskOutcome outcome;
    const std::wstring product = InstalledProduct();
    if (product.empty())
    {
        outcome.code = ERROR_UNKNOWN_PRODUCT;
        return outcome;
    }
    UINT code = 0;
    outcome.patches = QvClientPackage::RemoveAllPatches(product, code);
    Log(L"removed %u patches of %s: %u", static_cast<unsigned>(outcome.patches.size()),
        product.c_str(), code);
    outcome.code = code;
    return outcome;
}

// Waits for the machine-wide work lock; an owner that ended without letting
// it go leaves it to the next.
class CWorkLock
{
public:
    CWorkLock()
    {
        QvBase::CAdminOnlySecurity security;
        mutex.Reset(CreateMutexW(security.Attributes(), /*initialOwner=*/FALSE, kWorkLockName));
        if (mutex && WaitForSingleObject(mutex.Get(), INFINITE) != WAIT_FAILED)
            owned.Reset(mutex.Get());
    }

private:
    QvBase::CUniqueHandle mutex;
    // Let go before the handle closes.
    QvBase::CMutexOwnership owned;
};

unsigned int CompleteWith(IAgentTask& task, const CTaskOutcome& outcome, int type)
{
    task.Complete(outcome.code, BuildResultDocument(outcome, type));
    Log(L"result %u written", outcome.code);
    return outcome.code;
}
} // namespace

CTaskOutcome DoTaskWork(int type, const CTaskParams& params)
{
    CTaskOutcome outcome;
    switch (type)
    {
    case TaskInstall:
        outcome.code = Install(params);
        break;
    case TaskRepair:
        outcome.code = OnInstalledProduct(L"repair", QvClientPackage::RepairProduct);
        break;
    case TaskUninstall:
        outcome.code = OnInstalledProduct(L"uninstall", QvClientPackage::UninstallProduct);
        break;
    case TaskUpgrade:
        Log(L"upgrade from %s", PackageIn(params.source).c_str());
        outcome.code = QvClientPackage::UpgradeFromPackage(PackageIn(params.source), params.locale);
        break;
    case TaskApplyPatches:
        return ApplyPatches(params);
    case TaskRemoveAllPatches:
        return RemoveAllPatches();
    default:
        outcome.code = ERROR_INVALID_PARAMETER;
    }
    return outcome;
}

unsigned int CompleteUnstartedTask(const std::wstring& id, int type, bool registryBacked,
                                   unsigned int code)
{
    CWorkLock lock;
    if (registryBacked && HasResult(id))
        return ERROR_SUCCESS;
    CTaskOutcome outcome;
    outcome.code = code;
    try
    {
        const std::unique_ptr<IAgentTask> task = OpenAgentTask(id, type, registryBacked);
        task->Load();
        return CompleteWith(*task, outcome, type);
    }
    catch (QvBase::CQvError& error)
    {
        Log(L"task %s: no result written: %s", id.c_str(), error.Dump());
        return error.Code();
    }
}

namespace
{
// Load, work and result under the work lock; the task object comes out for
// what follows the lock.
unsigned int CarryOutTask(const std::wstring& id, int type, bool registryBacked,
                          std::unique_ptr<IAgentTask>& task)
{
    CWorkLock lock;
    if (registryBacked && HasResult(id))
    {
        Log(L"task %s has a result already", id.c_str());
        return ERROR_SUCCESS;
    }
    try
    {
        task = OpenAgentTask(id, type, registryBacked);
        const CTaskParams params = task->Load();
        Log(L"task %s type %d loaded: source \"%s\", locale %s, %u patches", id.c_str(), type,
            params.source.c_str(), params.locale.c_str(),
            static_cast<unsigned>(params.patches.size()));
        const CTestSteering steering = ReadTestSteering(type);
        if (steering.neverAnswer)
        {
            Log(L"test steering: task %s is never answered", id.c_str());
            return ERROR_SUCCESS;
        }
        if (steering.noDocumentElement)
        {
            Log(L"test steering: task %s gets a result without a document element", id.c_str());
            task->Complete(ERROR_INSTALL_FAILURE, kNotADocument);
            return ERROR_INSTALL_FAILURE;
        }
        CTaskOutcome outcome;
        if (steering.forcedCode)
        {
            Log(L"test steering: task %s reports %u", id.c_str(), *steering.forcedCode);
            outcome.code = *steering.forcedCode;
        }
        else
            outcome = DoTaskWork(type, params);
        return CompleteWith(*task, outcome, type);
    }
    catch (QvBase::CQvError& error)
    {
        // A task that cannot be loaded or worked on still gets a result when
        // there is a task object to write it, so the setup program does not
        // wait for ever.
        Log(L"task %s failed: %s", id.c_str(), error.Dump());
        if (!task)
            return error.Code();
        CTaskOutcome outcome;
        outcome.code = error.Code();
        try
        {
            return CompleteWith(*task, outcome, type);
        }
        catch (QvBase::CQvError& again)
        {
            Log(L"task %s: no result written: %s", id.c_str(), again.Dump());
            return again.Code();
        }
    }
}
} // namespace

unsigned int RunTaskProcess(const std::wstring& id, int type, bool registryBacked)
{
    std::unique_ptr<IAgentTask> task;
    const unsigned int code = CarryOutTask(id, type, registryBacked, task);
    // Outside the work lock: a result kept for the setup side holds up no
    // other agent's task.
    if (task)
        task->KeepResultUntilTaken(kResultKeepMs);
    return code;
}
} // namespace QvAgent
