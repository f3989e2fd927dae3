#pragma once

// The five kinds of install task. Every kind has a constructor with an
// explicit id and one that makes a fresh id; all are registry-backed.

#include "InstallTask.h"

#include <list>
#include <memory>
#include <string>
#include <vector>

using TaskPatchList = std::list<std::wstring>;

// An upgrade's patch directories as one text: each entry made to end in one
// backslash, then "*" ("c:\a", "c:\b\" give "c:\a\*c:\b\*").
std::wstring JoinPatchList(const TaskPatchList& patches);
// The reverse: every non-empty piece before a "*", made to end in one
// backslash; text after the last "*" is ignored.
TaskPatchList SplitPatchList(const std::wstring& text);

// Installs the product from the source directory; the locale is the
// "locale" setting of the response file QvInst.rsp there.
class CInstallTask : public CCommonInstallTask
{
public:
    CInstallTask(std::wstring id, std::wstring source, int timeout);
    CInstallTask(std::wstring source, int timeout);

    void Load() override;
    bool IsRegistryBacked() override;
};

class CRepairTask : public CCommonInstallTask
{
public:
    CRepairTask(std::wstring id, int timeout);
    explicit CRepairTask(int timeout);
};

class CUninstallTask : public CCommonInstallTask
{
public:
    CUninstallTask(std::wstring id, int timeout);
    explicit CUninstallTask(int timeout);
};

// Upgrades from the source directory, with upgrade options and patch
// directories.
class CUpgradeTask : public CCommonInstallTask
{
public:
    // The code the agent reports for an upgrade that goes on elsewhere: it
    // is not passed to the setup side.
    static constexpr int kNotReportedCode = 753;

    CUpgradeTask(std::wstring id, std::wstring source, int timeout, TaskPatchList patches,
                 int options);
    CUpgradeTask(std::wstring source, int timeout, TaskPatchList patches, int options);
    ~CUpgradeTask() override;

    void Complete(int code, std::wstring text) override;
    void SaveToXml(IXMLDOMElement* element, IXMLDOMDocument* document) override;
    void LoadFromXml(IXMLDOMElement* element, IXMLDOMDocument* document) override;

    int GetOptions() const { return options; }
    const TaskPatchList& GetPatches() const { return patches; }

private:
    int options;
    TaskPatchList patches;
};

// Applies the listed patches (TaskApplyPatches) or removes all patches
// (TaskRemoveAllPatches). A loaded task's patches keep the "*" each was
// saved with, and its source is all of them joined.
class CApplyRemovePatchesTask : public CCommonInstallTask
{
public:
    CApplyRemovePatchesTask(std::wstring id, int type, TaskPatchList patches, int timeout);
    CApplyRemovePatchesTask(int type, TaskPatchList patches, int timeout);
    ~CApplyRemovePatchesTask() override;

    std::shared_ptr<CInstallTaskResult> GetResult() override;
    void SaveToXml(IXMLDOMElement* element, IXMLDOMDocument* document) override;
    void LoadFromXml(IXMLDOMElement* element, IXMLDOMDocument* document) override;

    const TaskPatchList& GetPatches() const { return patches; }

private:
    TaskPatchList patches;
};

// The patches a task names, as paths: an apply task's patch files without
// the "*" each was saved with, an upgrade's patch directories; none for the
// other kinds.
std::vector<std::wstring> GetPatchPaths(const CCommonInstallTask& task);

// The agent's side: a task of the kind the type names, with the id of a
// stored task and nothing else, ready for Load. Null for an unknown type.
std::shared_ptr<CCommonInstallTask> CreateTaskOfType(int type, const std::wstring& id);
