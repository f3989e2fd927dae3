#pragma once

// An install task: one unit of installation work that the setup program hands
// to the install agent service, and whose result it then awaits. The class
// carries both sides of the exchange:
//   setup side: Store, then Run (agent running) or a start of the agent
//               service, then Wait and GetResult;
//   agent side: Load (after CreateTaskOfType, InstallTaskKinds.h), the work,
//               Complete.
// The task travels as XML through its registry key (registry-backed tasks)
// or through named sections; see InstallTaskNames.h for every name.
// XML failures are COM errors (XmlDom.h): a process that wants them as
// CQvError installs QvBase::CComErrorTranslator first. On the section
// transport the result section lives as long as a handle to it: the agent
// keeps a completed task object until the setup side has read the result.

#include "Win32Objects.h"
#include "XmlDom.h"

#include <windows.h>

#include <memory>
#include <string>

class CInstallTaskResult;

// Task types.
enum InstallTaskType : int
{
    TaskInstall = 1,
    TaskRepair = 2,
    TaskUninstall = 3,
    TaskUpgrade = 4,
    TaskRemoveAllPatches = 6,
    TaskApplyPatches = 100,
    TaskUninstallOther = 104, // recognised as an uninstallation; never created here
};

// The registry-format text of a fresh GUID, the id of a new task.
std::wstring NewTaskId();

// Polymorphic, created on the heap and held by std::shared_ptr; never copied.
// A task object is used by one thread at a time. The order of the virtual
// operations is part of the contract with the agent: never reorder them.
class CCommonInstallTask
{
public:
    CCommonInstallTask(std::wstring id, int type, int timeout);
    CCommonInstallTask(const CCommonInstallTask&) = delete;
    CCommonInstallTask& operator=(const CCommonInstallTask&) = delete;

    virtual ~CCommonInstallTask();
    // Writes the task for the agent: the registry key, or the task section.
    virtual void Store();
    // Agent side: records the result and signals the setup side.
    virtual void Complete(int code, std::wstring text);
    // Agent side: reads the stored task and takes its fields from its XML.
    virtual void Load();
    virtual std::wstring GetId();
    virtual std::wstring GetLocale();
    virtual std::wstring GetSrcPath();
    virtual void SetSrcPath(std::wstring source);
    // Announces the stored task to a running agent.
    virtual void Run();
    // Waits for the agent's completion (see InstallTaskStore.cpp).
    virtual void Wait(int milliseconds);
    virtual std::wstring GetRunningEventName();
    virtual void TraceParams();
    virtual void SetRegistryBacked(bool on);
    virtual bool IsRegistryBacked();
    // The agent's result record; a CPatchInstallTaskResult for patch tasks,
    // destroyed as such when the last owner lets it go.
    virtual std::shared_ptr<CInstallTaskResult> GetResult();
    virtual void SetInteractive(bool on);
    virtual bool IsInteractive();
    virtual int GetTimeout();
    virtual bool AlwaysTrue();
    // Creates the volatile "Pending" subkey of the task key; failures ignored.
    virtual void CreatePendingKey();
    virtual bool IsUninstall();
    virtual std::wstring GetTaskMapName();
    virtual std::wstring GetResultMapName();
    // Kind-specific content of the "task" element and its document.
    virtual void SaveToXml(IXMLDOMElement* element, IXMLDOMDocument* document);
    virtual void LoadFromXml(IXMLDOMElement* element, IXMLDOMDocument* document);

    std::wstring SerializeToXml();
    void InitFromXml(const std::wstring& text);
    // Creates this task's running event (manual-reset, not signalled).
    void CreateRunningEvent();

    int GetType() const { return type; }
    int GetResultCode() const { return resultCode; }
    const std::wstring& GetResultText() const { return resultText; }
    FILETIME GetCreationTime() const { return creationTime; }

protected:
    std::wstring source;
    int timeout;
    QvBase::CWin32Event runningEvent;
    QvBase::CWin32Handle taskSection;
    QvBase::CWin32Handle resultSection;
    int resultCode = 0;
    std::wstring resultText;
    std::wstring locale;
    bool registryBacked = false;
    bool interactive = false;
    FILETIME creationTime = {};
    int type;
    std::wstring id;

    // The agent's result document: "error" of the task key, or the text of
    // the result section.
    std::wstring ReadResultText();

private:
    std::wstring ReadTaskText();
    void WriteResultSection(int code);
};
