#pragma once

// The SCCM mode's actions, one row each: the option that names it, its
// number (the task type), the job that carries it out and the task that job
// hands the agent. The front picks the first row whose option is present,
// in the table's order; the job builds its task through its row.

#include <memory>
#include <vector>

class CCmdLineParser;
class CCommonInstallTask;
class CSccmJob;

// Names of the SCCM mode's options: the actions, and the agent's time-out.
namespace SccmOptionName
{
constexpr const wchar_t* kInstall = L"install";
constexpr const wchar_t* kUninstall = L"uninstall";
constexpr const wchar_t* kUpgrade = L"upgrade";
constexpr const wchar_t* kRepair = L"repair";
constexpr const wchar_t* kApplyPatch = L"applypatch";
constexpr const wchar_t* kRemoveAllPatches = L"removeallpatches";
constexpr const wchar_t* kTimeout = L"timeout";
} // namespace SccmOptionName

struct CSccmAction
{
    const wchar_t* option;
    // What the usage text shows after the option.
    const wchar_t* valueHint;
    int action;
    std::shared_ptr<CSccmJob> (*makeJob)(const std::shared_ptr<CCmdLineParser>& parser);
    // The job's task: the job gives its distribution root, the command line
    // the patches, the option "timeout" the time-out.
    std::shared_ptr<CCommonInstallTask> (*makeTask)(const CSccmJob& job,
                                                    const CCmdLineParser& parser, int timeout);
};

// The rows in the order the front tests them.
const std::vector<CSccmAction>& SccmActions();
// The row of an action number; null for a number of no row.
const CSccmAction* FindSccmAction(int action);
