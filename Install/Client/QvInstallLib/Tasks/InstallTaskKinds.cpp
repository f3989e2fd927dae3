#include "InstallTaskKinds.h"

#include "FuncTraceContext.h"
#include "InstallTaskResult.h"
#include "PathUtils.h"
#include "ProductQueries.h"
#include "ResponseFile.h"
#include "TraceLineScope.h"

namespace
{
constexpr wchar_t kPatchSeparator = L'*';
constexpr const wchar_t* kPatchElement = L"patch";
constexpr const wchar_t* kPathAttribute = L"path";
constexpr const wchar_t* kOptionsAttribute = L"options";

std::wstring WithTrailingBackslash(std::wstring path)
{
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}

// The "locale" setting of the response file in the source directory.
std::wstring ReadResponseFileLocale(const std::wstring& source)
{
    const std::unique_ptr<QvInstall::IResponseFile> responseFile(CreateResponseFile());
    responseFile->SetWriteThrough(false);
    responseFile->Load(QvBase::JoinPath(source.c_str(), kResponseFileName, L'\\').c_str());
    return responseFile->GetWellKnownValue(QvInstall::KeyLocale);
}
} // namespace

std::wstring JoinPatchList(const TaskPatchList& patches)
{
    std::wstring text;
    for (const std::wstring& patch : patches)
        text += WithTrailingBackslash(patch) + kPatchSeparator;
    return text;
}

TaskPatchList SplitPatchList(const std::wstring& text)
{
    TaskPatchList patches;
    size_t start = 0;
    for (size_t end = text.find(kPatchSeparator); end != std::wstring::npos;
         start = end + 1, end = text.find(kPatchSeparator, start))
    {
        if (end > start)
            patches.push_back(WithTrailingBackslash(text.substr(start, end - start)));
    }
    return patches;
}

// --- CInstallTask ---

CInstallTask::CInstallTask(std::wstring id, std::wstring installSource, int timeout)
    : CCommonInstallTask(std::move(id), TaskInstall, timeout)
{
    QV_LIB_FUNCTION(L"CInstallTask::CInstallTask", L"task");
    SetRegistryBacked(true);
    source = std::move(installSource);
    if (source.empty())
        return;
    trace.Trace(2, L"%s", source.c_str());
    locale = ReadResponseFileLocale(source);
    trace.Trace(2, L"%s", locale.c_str());
}

CInstallTask::CInstallTask(std::wstring source, int timeout)
    : CInstallTask(NewTaskId(), std::move(source), timeout)
{
}

void CInstallTask::Load()
{
    QV_LIB_FUNCTION(L"CInstallTask::Load", L"task");
    CCommonInstallTask::Load();
}

bool CInstallTask::IsRegistryBacked()
{
    return true;
}

// --- CRepairTask, CUninstallTask ---

CRepairTask::CRepairTask(std::wstring id, int timeout)
    : CCommonInstallTask(std::move(id), TaskRepair, timeout)
{
    QV_LIB_FUNCTION(L"CRepairTask::CRepairTask", L"task");
    SetRegistryBacked(true);
    locale = GetInstalledProductLocale();
}

CRepairTask::CRepairTask(int timeout) : CRepairTask(NewTaskId(), timeout) {}

CUninstallTask::CUninstallTask(std::wstring id, int timeout)
    : CCommonInstallTask(std::move(id), TaskUninstall, timeout)
{
    QV_LIB_FUNCTION(L"CUninstallTask::CUninstallTask", L"task");
    SetRegistryBacked(true);
    locale = GetInstalledProductLocale();
}

CUninstallTask::CUninstallTask(int timeout) : CUninstallTask(NewTaskId(), timeout) {}

// --- CUpgradeTask ---

CUpgradeTask::CUpgradeTask(std::wstring id, std::wstring upgradeSource, int timeout,
                           TaskPatchList patchList, int upgradeOptions)
    : CCommonInstallTask(std::move(id), TaskUpgrade, timeout), options(upgradeOptions),
      patches(std::move(patchList))
{
    QV_LIB_FUNCTION(L"CUpgradeTask::CUpgradeTask", L"task");
    SetRegistryBacked(true);
    source = std::move(upgradeSource);
    locale = GetInstalledProductLocale();
    if (locale.empty())
        locale = GetDefaultProductLocale();
    for (const std::wstring& patch : patches)
        trace.Trace(2, L"%s", patch.c_str());
}

CUpgradeTask::CUpgradeTask(std::wstring source, int timeout, TaskPatchList patches, int options)
    : CUpgradeTask(NewTaskId(), std::move(source), timeout, std::move(patches), options)
{
}

CUpgradeTask::~CUpgradeTask() = default;

void CUpgradeTask::Complete(int code, std::wstring text)
{
    QV_LIB_FUNCTION(L"CUpgradeTask::Complete", L"task");
    if (code == kNotReportedCode)
        return;
    CCommonInstallTask::Complete(code, std::move(text));
}

void CUpgradeTask::SaveToXml(IXMLDOMElement* element, IXMLDOMDocument* document)
{
    SetAttributeNumber(element, kOptionsAttribute, options);
    if (patches.empty())
        return;
    const CXmlElementPtr patch = CreateElementNode(document, kPatchElement);
    AppendChildNode(element, patch.Get());
    SetNodeText(patch.Get(), JoinPatchList(patches));
}

void CUpgradeTask::LoadFromXml(IXMLDOMElement* element, IXMLDOMDocument*)
{
    options = GetAttributeNumber(element, kOptionsAttribute);
    const CXmlElementPtr patch = FindChildElement(element, kPatchElement);
    if (!patch)
        return;
    patches = SplitPatchList(GetNodeText(patch.Get()));
    QvBase::CLibTracePrefix prefix;
    for (const std::wstring& entry : patches)
        prefix.Trace(2, L"%s", entry.c_str());
}

// --- CApplyRemovePatchesTask ---

CApplyRemovePatchesTask::CApplyRemovePatchesTask(std::wstring id, int type, TaskPatchList patchList,
                                                 int timeout)
    : CCommonInstallTask(std::move(id), type, timeout), patches(std::move(patchList))
{
    QV_LIB_FUNCTION(L"CApplyRemovePatchesTask::CApplyRemovePatchesTask", L"task");
    SetRegistryBacked(true);
    locale = GetInstalledProductLocale();
    trace.Trace(2, L"%d patches", static_cast<int>(patches.size()));
}

CApplyRemovePatchesTask::CApplyRemovePatchesTask(int type, TaskPatchList patches, int timeout)
    : CApplyRemovePatchesTask(NewTaskId(), type, std::move(patches), timeout)
{
}

CApplyRemovePatchesTask::~CApplyRemovePatchesTask() = default;

std::shared_ptr<CInstallTaskResult> CApplyRemovePatchesTask::GetResult()
{
    return std::make_shared<CPatchInstallTaskResult>(ReadResultText());
}

void CApplyRemovePatchesTask::SaveToXml(IXMLDOMElement* element, IXMLDOMDocument* document)
{
    for (const std::wstring& patch : patches)
    {
        const CXmlElementPtr child = CreateElement(document, kPatchElement);
        SetAttributeText(child.Get(), kPathAttribute, patch + kPatchSeparator);
        AppendChildNode(element, child.Get());
    }
}

void CApplyRemovePatchesTask::LoadFromXml(IXMLDOMElement* element, IXMLDOMDocument*)
{
    QV_LIB_FUNCTION(L"CApplyRemovePatchesTask::LoadFromXml", L"task");
    std::wstring all;
    for (const CXmlElementPtr& child : GetChildElements(element))
    {
        const std::wstring path = GetAttributeText(child.Get(), kPathAttribute);
        all += path;
        trace.Trace(2, L"%s", path.c_str());
        patches.push_back(path);
    }
    source = all;
    trace.Trace(2, L"%s", source.c_str());
}

// --- the agent's side ---

std::shared_ptr<CCommonInstallTask> CreateTaskOfType(int type, const std::wstring& id)
{
    switch (type)
    {
    case TaskInstall:
        return std::make_shared<CInstallTask>(id, std::wstring(), 0);
    case TaskRepair:
        return std::make_shared<CRepairTask>(id, 0);
    case TaskUninstall:
    case TaskUninstallOther:
        return std::make_shared<CUninstallTask>(id, 0);
    case TaskUpgrade:
        return std::make_shared<CUpgradeTask>(id, std::wstring(), 0, TaskPatchList(), 0);
    case TaskRemoveAllPatches:
    case TaskApplyPatches:
        return std::make_shared<CApplyRemovePatchesTask>(id, type, TaskPatchList(), 0);
    default:
        return nullptr;
    }
}

std::vector<std::wstring> GetPatchPaths(const CCommonInstallTask& task)
{
    TaskPatchList entries;
    if (const auto* upgrade = dynamic_cast<const CUpgradeTask*>(&task))
        entries = upgrade->GetPatches();
    else if (const auto* patches = dynamic_cast<const CApplyRemovePatchesTask*>(&task))
        entries = patches->GetPatches();
    std::vector<std::wstring> paths;
    for (std::wstring entry : entries)
    {
        while (!entry.empty() && entry.back() == kPatchSeparator)
            entry.pop_back();
        if (!entry.empty())
            paths.push_back(entry);
    }
    return paths;
}
