#include "SccmJob.h"

#include "AdminOnlySecurity.h"
#include "AdminPin.h"
#include "CmdLineParser.h"
#include "FuncTraceContext.h"
#include "Guid.h"
#include "InstallTaskKinds.h"
#include "InstallTaskKeys.h"
#include "InstallerService.h"
#include "ParseDecimal.h"
#include "PathUtils.h"
#include "ProductQueries.h"
#include "QvResponseFile.h"
#include "RegistryKey.h"
#include "ResponseFile.h"
#include "SccmActions.h"
#include "ServiceControl.h"
#include "ServiceStartStop.h"
#include "SetupFileUtils.h"
#include "WaitSeam.h"

#include <initializer_list>
#include <locale.h>
#include <wctype.h>

namespace
{
constexpr int kDefaultTimeout = 720;
constexpr DWORD kServiceWaitMs = 30000;
constexpr DWORD kTaskWaitMs = 3600000;
constexpr DWORD kPollIntervalMs = 3000;
constexpr size_t kPathChars = 520;

void TaskWait(CCommonInstallTask& task, DWORD milliseconds)
{
    task.Wait(static_cast<int>(milliseconds));
}

QvBase::CWaitSeam pollWait;
SccmJobSeams::TaskWaitFunction taskWait = TaskWait;

std::wstring TempDirectoryForAgent()
{
    const std::wstring temp = QvBase::GetSystemFolderPath(QvBase::FolderWindows, L"TEMP");
    return QvBase::JoinPath(temp.c_str(), QvBase::CGuid().ToString().c_str(), L'\\');
}

// A new folder for the agent's copy. A LocalSystem service runs the
// executable copied here, so the folder grants the system and the
// administrators alone, from before the first file is in it: a standard user
// must not plant a module beside it.
void CreateAgentDirectory(const std::wstring& directory, const wchar_t* function)
{
    QvBase::CAdminOnlySecurity security;
    const DWORD result =
        CreateDirectoryTree(directory, /*registerForDeletion=*/true, security.Attributes());
    if (result != ERROR_SUCCESS)
        QV_THROW(result, function);
}

// The copies stay after the job and go at the next restart, with their
// folder: each copy is registered for deletion then.
void CopyInto(const std::wstring& from, const std::wstring& to, const wchar_t* function)
{
    if (!CopyFileW(from.c_str(), to.c_str(), /*failIfExists=*/FALSE))
        QV_THROW_LAST_ERROR(function);
    DeleteAtRestart(to);
}

// Windows removes a folder at the restart only when it is empty by its turn:
// the agent's folder is registered once more when the copying ends, however
// it ends, so that it comes after the files put into it.
class CFolderGoesAfterItsFiles
{
public:
    explicit CFolderGoesAfterItsFiles(const std::wstring& directory) : directory(directory) {}
    ~CFolderGoesAfterItsFiles() { DeleteAtRestart(directory); }
    CFolderGoesAfterItsFiles(const CFolderGoesAfterItsFiles&) = delete;
    CFolderGoesAfterItsFiles& operator=(const CFolderGoesAfterItsFiles&) = delete;

private:
    const std::wstring& directory;
};

std::wstring Join(const std::wstring& base, const wchar_t* tail)
{
    return QvBase::JoinPath(base.c_str(), tail, L'\\');
}

std::wstring AgentSourceOf(const std::wstring& root)
{
    return Join(Join(root, kDistributionProgramFolder), kAgentExecutable);
}

// Makes the agent's new folder and copies the agent into it from the
// distribution, with the named files of the distribution root.
void FillAgentFolder(const std::wstring& directory, const std::wstring& root,
                     std::initializer_list<const wchar_t*> rootFiles, const wchar_t* function)
{
    CreateAgentDirectory(directory, function);
    const CFolderGoesAfterItsFiles folder(directory);
    CopyInto(AgentSourceOf(root), Join(directory, kAgentExecutable), function);
    for (const wchar_t* name : rootFiles)
        CopyInto(Join(root, name), Join(directory, name), function);
}

} // namespace

namespace SccmJobRules
{
std::wstring ProgramPath(const wchar_t* function)
{
    wchar_t buffer[kPathChars] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, kPathChars);
    if (length == 0 || length >= kPathChars)
        QV_THROW(length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER, function);
    return std::wstring(buffer, length);
}

std::wstring LowerCase(const std::wstring& text)
{
    static const _locale_t russian = _create_locale(LC_ALL, "Russian_Russia");
    std::wstring lower = text;
    for (wchar_t& c : lower)
        c = russian != nullptr ? _towlower_l(c, russian) : towlower(c);
    return lower;
}

std::wstring DiskRootOf(const std::wstring& modulePath)
{
    const size_t at = modulePath.find(kDistributionProgramFolder);
    return at == std::wstring::npos ? modulePath : modulePath.substr(0, at);
}

int TimeoutFrom(const wchar_t* value)
{
    const int parsed = value != nullptr ? ParseDecimal(value) : 0;
    return parsed != 0 ? parsed : kDefaultTimeout;
}

std::vector<std::wstring> PatchesFrom(const wchar_t* value)
{
    std::vector<std::wstring> patches;
    const std::wstring text = std::wstring(value != nullptr ? value : L"") + L"*";
    size_t start = 0;
    for (size_t star = text.find(L'*'); star != std::wstring::npos;
         start = star + 1, star = text.find(L'*', start))
    {
        if (star > start)
            patches.push_back(text.substr(start, star - start));
    }
    return patches;
}
} // namespace SccmJobRules

namespace SccmJobSeams
{
WaitFunction SetPollWait(WaitFunction wait)
{
    return pollWait.Replace(wait);
}

TaskWaitFunction SetTaskWait(TaskWaitFunction wait)
{
    return std::exchange(taskWait, wait != nullptr ? wait : TaskWait);
}
} // namespace SccmJobSeams

CSccmJob::CSccmJob(int action, const std::shared_ptr<CCmdLineParser>& parser) : action(action)
{
    QV_SETUP_FUNCTION(L"CSccmJob::CSccmJob", L"sccm");
    modulePath = SccmJobRules::LowerCase(SccmJobRules::ProgramPath(qvFunctionName));
    trace.Trace(2, L"%s", modulePath.c_str());
    BuildTask(*parser);
    LoadProtectionSettings();
}

CSccmJob::~CSccmJob() = default;

void CSccmJob::BuildTask(const CCmdLineParser& parser)
{
    const int timeout = SccmJobRules::TimeoutFrom(parser.GetOptionValue(SccmOptionName::kTimeout));
    if (const CSccmAction* row = FindSccmAction(action))
        task = row->makeTask(*this, parser, timeout);
}

void CSccmJob::LoadProtectionSettings()
{
    QV_SETUP_FUNCTION(L"CSccmJob::LoadProtectionSettings", L"sccm");
    try
    {
        adminPinOn = AdminPinUtils::IsAdminPinOn();
        trace.Trace(2, L"Admin Pin is %s", adminPinOn ? L"on" : L"off");
    }
    QV_CATCH_TRACE(trace)
}

std::wstring CSccmJob::DiskRoot() const
{
    QV_SETUP_FUNCTION(L"CSccmJob::DiskRoot", L"sccm");
    trace.Trace(2, L"%s", modulePath.c_str());
    const std::wstring root = SccmJobRules::DiskRootOf(modulePath);
    if (root.size() != modulePath.size())
        trace.Trace(2, L"%s", root.c_str());
    return root;
}

void CSccmJob::Prepare()
{
    QV_SETUP_FUNCTION(L"CSccmJob::Prepare", L"sccm");
    if (!IsProductInstalled())
        QV_RAISE(ERROR_NOT_FOUND);
    if (!IsActionAllowed())
        QV_RAISE(ERROR_NOT_SUPPORTED);
}

CInstallTaskResult CSccmJob::Run()
{
    QV_SETUP_FUNCTION(L"CSccmJob::Run", L"sccm");
    return RunService();
}

CInstallTaskResult CSccmJob::RunService()
{
    QV_SETUP_FUNCTION(L"CSccmJob::RunService", L"sccm");
    task->Store();
    if (InstallsAgentService())
    {
        StopDriver(kAgentServiceName, kServiceWaitMs);
        StopDriver(kSccmAgentServiceName, kServiceWaitMs);
        StartDriver(kSccmAgentServiceName, kServiceWaitMs, {});
    }
    else if (IsServiceRunning(kAgentServiceName) != 0)
        StartDriver(kAgentServiceName, kServiceWaitMs, {});
    else
        task->Run();
    if (!WaitsForResult())
        return CInstallTaskResult(0, std::wstring());

    taskWait(*task, kTaskWaitMs);
    std::wstring text;
    for (int count = 0;; pollWait(kPollIntervalMs))
    {
        trace.Trace(2, L"QvSetup alive count: %d", count++);
        text = ReadStoredResult(task->GetId());
        if (!text.empty())
            break;
    }
    trace.Trace(2, L"%s", text.c_str());
    return CInstallTaskResult(text);
}

void CSccmJob::Finalize()
{
    QV_SETUP_FUNCTION(L"CSccmJob::Finalize", L"sccm");
}

bool CSccmJob::InstallsAgentService() const
{
    return false;
}

bool CSccmJob::WaitsForResult() const
{
    return true;
}

bool CSccmJob::IsActionAllowed() const
{
    return !adminPinOn || action == TaskRepair;
}

CInstallSccmJob::CInstallSccmJob(const std::shared_ptr<CCmdLineParser>& parser)
    : CSccmJob(TaskInstall, parser)
{
}

void CInstallSccmJob::Prepare()
{
    QV_SETUP_FUNCTION(L"CInstallSccmJob::Prepare", L"sccm");
    if (IsProductInstalled())
        QV_RAISE(ERROR_ALREADY_EXISTS);
    const std::wstring directory = CopyFiles();
    task->SetSrcPath(directory);
    RegisterInstallerService(Join(directory, kAgentExecutable).c_str(), SERVICE_DEMAND_START,
                             kSccmAgentServiceName, kSccmAgentServiceName);
}

std::wstring CInstallSccmJob::CopyFiles()
{
    QV_SETUP_FUNCTION(L"CInstallSccmJob::CopyFiles", L"sccm");
    const std::wstring root = DiskRoot();
    const std::wstring directory = TempDirectoryForAgent();
    trace.Trace(2, L"%s", directory.c_str());
    FillAgentFolder(directory, root, {kResponseFileName}, qvFunctionName);
    PrepareResponseFileName(directory);
    return directory;
}

void CInstallSccmJob::PrepareResponseFileName(const std::wstring& directory)
{
    const std::unique_ptr<QvInstall::IResponseFile> responseFile(CreateResponseFile());
    responseFile->SetWriteThrough(false);
    const std::wstring path = Join(directory, kResponseFileName);
    responseFile->Load(path.c_str());
    if (responseFile->GetWellKnownValue(QvInstall::KeySource) != L".")
        return;
    responseFile->SetWriteThrough(true);
    ClearReadOnly(path);
    responseFile->SetSource(DiskRoot());
}

void CInstallSccmJob::Finalize()
{
    QV_SETUP_FUNCTION(L"CInstallSccmJob::Finalize", L"sccm");
    DeleteDriver(kSccmAgentServiceName);
    CSccmJob::Finalize();
}

bool CInstallSccmJob::InstallsAgentService() const
{
    return true;
}

bool CInstallSccmJob::IsActionAllowed() const
{
    return true;
}

CUpgradeSccmJob::CUpgradeSccmJob(const std::shared_ptr<CCmdLineParser>& parser)
    : CSccmJob(TaskUpgrade, parser)
{
}

void CUpgradeSccmJob::Prepare()
{
    QV_SETUP_FUNCTION(L"CUpgradeSccmJob::Prepare", L"sccm");
    CSccmJob::Prepare();
    CopyFiles();
}

std::wstring CUpgradeSccmJob::CopyFiles()
{
    QV_SETUP_FUNCTION(L"CUpgradeSccmJob::CopyFiles", L"sccm");
    const std::wstring root = DiskRoot();
    const std::wstring directory = TempDirectoryForAgent();
    FillAgentFolder(directory, root, {}, qvFunctionName);
    return directory;
}

void CUpgradeSccmJob::Finalize()
{
    QV_SETUP_FUNCTION(L"CUpgradeSccmJob::Finalize", L"sccm");
    CSccmJob::Finalize();
}

bool CUpgradeSccmJob::IsActionAllowed() const
{
    return true;
}
