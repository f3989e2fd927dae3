#pragma once

// The jobs of the SCCM mode: each builds the install task of one action,
// checks that the action fits the machine, gets the install agent service to
// carry the task out, waits for the agent's result and tidies up.

#include "InstallTaskResult.h"
#include "WaitSeam.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

class CCmdLineParser;
class CCommonInstallTask;

// Serves the uninstall, repair and patch actions; the install and upgrade
// jobs derive from it. The order of the virtual operations is fixed.
class CSccmJob
{
public:
    CSccmJob(int action, const std::shared_ptr<CCmdLineParser>& parser);
    CSccmJob(const CSccmJob&) = delete;
    CSccmJob& operator=(const CSccmJob&) = delete;

    virtual ~CSccmJob();
    // Raises 1168 when the product is not installed, 50 when the action is
    // not allowed.
    virtual void Prepare();
    virtual CInstallTaskResult Run();
    virtual void Finalize();
    virtual bool InstallsAgentService() const;
    virtual bool WaitsForResult() const;
    virtual bool IsActionAllowed() const;

    void LoadProtectionSettings();
    // Stores the task, gets the agent to take it up and waits for its result.
    CInstallTaskResult RunService();
    // The distribution's root: the program's folder above "setup\client\x64".
    std::wstring DiskRoot() const;

    const std::shared_ptr<CCommonInstallTask>& Task() const { return task; }

protected:
    std::shared_ptr<CCommonInstallTask> task;
    int action;
    std::wstring modulePath; // lower-cased
    bool adminPinOn = false;

private:
    void BuildTask(const CCmdLineParser& parser);
};

class CInstallSccmJob : public CSccmJob
{
public:
    explicit CInstallSccmJob(const std::shared_ptr<CCmdLineParser>& parser);

    // Raises 183 when the product is installed; copies the agent and the
    // response file and registers the copied agent as a service of its own.
    void Prepare() override;
    void Finalize() override;
    bool InstallsAgentService() const override;
    bool IsActionAllowed() const override;

    std::wstring CopyFiles();
    void PrepareResponseFileName(const std::wstring& directory);
};

class CUpgradeSccmJob : public CSccmJob
{
public:
    explicit CUpgradeSccmJob(const std::shared_ptr<CCmdLineParser>& parser);

    void Prepare() override;
    void Finalize() override;
    bool IsActionAllowed() const override;

    std::wstring CopyFiles();
};

// The parts of a job that depend on nothing but their input.
namespace SccmJobRules
{
// The program file's path; raises CQvError naming the function when it
// cannot be obtained.
std::wstring ProgramPath(const wchar_t* function);
// Lower case by the character rules of the locale "Russian_Russia".
std::wstring LowerCase(const std::wstring& text);
// The distribution root of a lower-cased module path: cut in front of
// "setup\client\x64", or the whole path when that is not in it.
std::wstring DiskRootOf(const std::wstring& modulePath);
// The task's timeout from the "timeout" option's value (null when absent).
int TimeoutFrom(const wchar_t* value);
// The patches of the "applypatch" option's value: the non-empty pieces
// between the "*" separators, in order and unchanged.
std::vector<std::wstring> PatchesFrom(const wchar_t* value);
} // namespace SccmJobRules

namespace SccmJobSeams
{
using WaitFunction = QvBase::WaitFunction;
// Replaces the pause between two looks for the agent's result (Sleep);
// returns the one it replaces; nullptr puts Sleep back.
WaitFunction SetPollWait(WaitFunction wait);
using TaskWaitFunction = void (*)(CCommonInstallTask& task, DWORD milliseconds);
// Replaces the wait for an announced task's running event (the task's own
// Wait); returns the one it replaces; nullptr puts the task's Wait back.
TaskWaitFunction SetTaskWait(TaskWaitFunction wait);
} // namespace SccmJobSeams
