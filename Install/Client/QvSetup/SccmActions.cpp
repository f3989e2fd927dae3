#include "SccmActions.h"

#include "CmdLineParser.h"
#include "InstallTaskKinds.h"
#include "SccmJob.h"

namespace
{
template <typename Job, int Action>
std::shared_ptr<CSccmJob> MakeJob(const std::shared_ptr<CCmdLineParser>& parser)
{
    if constexpr (std::is_same_v<Job, CSccmJob>)
        return std::make_shared<CSccmJob>(Action, parser);
    else
        return std::make_shared<Job>(parser);
}

std::shared_ptr<CCommonInstallTask> InstallTask(const CSccmJob& job, const CCmdLineParser&,
                                                int timeout)
{
    return std::make_shared<CInstallTask>(job.DiskRoot(), timeout);
}

std::shared_ptr<CCommonInstallTask> UninstallTask(const CSccmJob&, const CCmdLineParser&,
                                                  int timeout)
{
    return std::make_shared<CUninstallTask>(timeout);
}

std::shared_ptr<CCommonInstallTask> UpgradeTask(const CSccmJob& job, const CCmdLineParser&,
                                                int timeout)
{
    return std::make_shared<CUpgradeTask>(job.DiskRoot(), timeout, TaskPatchList(),
                                          /*options=*/0);
}

std::shared_ptr<CCommonInstallTask> RepairTask(const CSccmJob&, const CCmdLineParser&, int timeout)
{
    return std::make_shared<CRepairTask>(timeout);
}

std::shared_ptr<CCommonInstallTask> ApplyPatchesTask(const CSccmJob&, const CCmdLineParser& parser,
                                                     int timeout)
{
    const std::vector<std::wstring> patches =
        SccmJobRules::PatchesFrom(parser.GetOptionValue(SccmOptionName::kApplyPatch));
    return std::make_shared<CApplyRemovePatchesTask>(
        TaskApplyPatches, TaskPatchList(patches.begin(), patches.end()), timeout);
}

std::shared_ptr<CCommonInstallTask> RemoveAllPatchesTask(const CSccmJob&, const CCmdLineParser&,
                                                         int timeout)
{
    return std::make_shared<CApplyRemovePatchesTask>(TaskRemoveAllPatches, TaskPatchList(),
                                                     timeout);
}
} // namespace

const std::vector<CSccmAction>& SccmActions()
{
    static const std::vector<CSccmAction> actions = {
        {SccmOptionName::kInstall, L"", TaskInstall, MakeJob<CInstallSccmJob, TaskInstall>,
         InstallTask},
        {SccmOptionName::kUninstall, L"", TaskUninstall, MakeJob<CSccmJob, TaskUninstall>,
         UninstallTask},
        {SccmOptionName::kUpgrade, L"", TaskUpgrade, MakeJob<CUpgradeSccmJob, TaskUpgrade>,
         UpgradeTask},
        {SccmOptionName::kRepair, L"", TaskRepair, MakeJob<CSccmJob, TaskRepair>, RepairTask},
        {SccmOptionName::kApplyPatch, L":<a.msp*b.msp>", TaskApplyPatches,
         MakeJob<CSccmJob, TaskApplyPatches>, ApplyPatchesTask},
        {SccmOptionName::kRemoveAllPatches, L"", TaskRemoveAllPatches,
         MakeJob<CSccmJob, TaskRemoveAllPatches>, RemoveAllPatchesTask},
    };
    return actions;
}

const CSccmAction* FindSccmAction(int action)
{
    for (const CSccmAction& row : SccmActions())
        if (row.action == action)
            return &row;
    return nullptr;
}
