// Storing, announcing, awaiting and completing a task: the registry key and
// the named objects shared with the install agent.
#include "InstallTask.h"

#include "FuncTraceContext.h"
#include "InstallTaskKeys.h"
#include "InstallTaskRecords.h"
#include "InstallTaskResult.h"
#include "InstallTaskSecurity.h"
#include "TraceLineScope.h"

#include <cstring>

namespace
{
constexpr DWORD kCompleteSettleMs = 10;
constexpr DWORD kCompleteAcknowledgeMs = 10000;

// Writes create the key when it is missing; their results are not reported.
void WriteTaskValue(const std::wstring& taskId, const wchar_t* name, DWORD type, const void* data,
                    size_t size)
{
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, GetTaskKeyPath(taskId).c_str(), name, type, data,
                    static_cast<DWORD>(size));
}

void WriteTaskDword(const std::wstring& taskId, const wchar_t* name, DWORD value)
{
    WriteTaskValue(taskId, name, REG_DWORD, &value, sizeof(value));
}

void WriteTaskText(const std::wstring& taskId, const wchar_t* name, const std::wstring& text)
{
    WriteTaskValue(taskId, name, REG_SZ, text.c_str(), GetTextRecordSize(text));
}

// A section of the given size named for the task, with the task objects'
// security; the holder keeps it in existence.
void CreateSection(QvBase::CWin32Handle& holder, const std::wstring& name, size_t size,
                   const wchar_t* function)
{
    CTaskObjectSecurity security;
    const ULARGE_INTEGER bytes = {{static_cast<DWORD>(size), 0}};
    const HANDLE section =
        CreateFileMappingW(INVALID_HANDLE_VALUE, security.Attributes(), PAGE_READWRITE,
                           bytes.HighPart, bytes.LowPart, name.c_str());
    if (section == nullptr)
        QV_THROW_LAST_ERROR(function);
    holder.Attach(section);
}

void OpenSection(QvBase::CWin32Handle& holder, const std::wstring& name, const wchar_t* function)
{
    const HANDLE section = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name.c_str());
    if (section == nullptr)
        QV_THROW_LAST_ERROR(function);
    holder.Attach(section);
}

QvBase::CUniqueView MapSection(HANDLE section, const wchar_t* function)
{
    QvBase::CUniqueView view(MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!view)
        QV_THROW_LAST_ERROR(function);
    return view;
}
} // namespace

void CCommonInstallTask::Store()
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::Store", L"task");
    if (IsRegistryBacked())
    {
        WriteTaskDword(id, kTaskTypeValue, static_cast<DWORD>(type));
        WriteTaskText(id, kTaskXmlValue, SerializeToXml());
        WriteTaskValue(id, kTaskTimeCreatedValue, REG_BINARY, &creationTime, sizeof(creationTime));
        return;
    }
    const std::wstring text = SerializeToXml();
    trace.Trace(2, L"%s", text.c_str());
    CreateSection(taskSection, GetTaskMapName(), GetTextRecordSize(text), qvFunctionName);
    const QvBase::CUniqueView view = MapSection(taskSection.GetHandle(), qvFunctionName);
    WriteTextRecord(view.Get(), GetViewSize(view.Get()), text);
}

void CCommonInstallTask::Load()
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::Load", L"task");
    trace.Trace(2, L"%s", id.c_str());
    const std::wstring text = ReadTaskText();
    trace.Trace(2, L"%s", text.c_str());
    InitFromXml(text);
}

std::wstring CCommonInstallTask::ReadTaskText()
{
    QV_FUNCTION_NAME(L"CCommonInstallTask::Load");
    std::wstring text;
    if (IsRegistryBacked())
    {
        CTaskKey key(id);
        key.GetString(kTaskXmlValue, text, std::wstring());
        QvBase::CRegistryValue time;
        const bool timeRead = key.QueryValue(kTaskTimeCreatedValue, time) == ERROR_SUCCESS &&
                              time.data.size() == sizeof(creationTime);
        creationTime = {};
        if (timeRead)
            std::memcpy(&creationTime, time.data.data(), sizeof(creationTime));
        DWORD tries = 0;
        key.GetDword(kTaskTryCountValue, tries, 0);
        WriteTaskDword(id, kTaskTryCountValue, tries + 1);
        return text;
    }
    OpenSection(taskSection, GetTaskMapName(), qvFunctionName);
    const QvBase::CUniqueView view = MapSection(taskSection.GetHandle(), qvFunctionName);
    return ReadTextRecord(view.Get(), GetViewSize(view.Get()));
}

void CCommonInstallTask::CreateRunningEvent()
{
    QvBase::CTraceLineScope line(L"CCommonInstallTask::CreateRunningEvent");
    CTaskObjectSecurity security;
    const std::wstring name = GetRunningEventName();
    runningEvent.Create_Ex(/*initialState=*/false, name.c_str(), security.Attributes());
    line << name;
}

void CCommonInstallTask::Run()
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::Run", L"task");
    QvBase::CWin32Event ready(/*manualReset=*/true);
    if (ready.Open(kInstallerReadyEventName, EVENT_ALL_ACCESS) != ERROR_SUCCESS)
        QV_RAISE_LAST_ERROR();
    QvBase::CWin32Event newTask(/*manualReset=*/false);
    if (newTask.Open(kNewInstallTaskEventName, EVENT_ALL_ACCESS) != ERROR_SUCCESS)
        QV_RAISE_LAST_ERROR();
    CreateRunningEvent();
    {
        QvBase::CWin32Handle section;
        OpenSection(section, kNewInstallTaskMapName, qvFunctionName);
        const QvBase::CUniqueView view = MapSection(section.GetHandle(), qvFunctionName);
        if (!WriteAnnouncement(view.Get(), GetViewSize(view.Get()), type, id))
            QV_RAISE(ERROR_INSUFFICIENT_BUFFER);
    }
    newTask.Set();
}

void CCommonInstallTask::Wait(int milliseconds)
{
    QV_FUNCTION_NAME(L"CCommonInstallTask::Wait");
    QvBase::CLibTracePrefix prefix;
    prefix.Trace(2, L"Task %s wait start", id.c_str());
    const DWORD result = runningEvent.Wait(static_cast<DWORD>(milliseconds));
    const DWORD waitError = GetLastError();
    prefix.Trace(2, L"Task %s wait complete %d", id.c_str(), static_cast<int>(result));
    if (IsRegistryBacked())
        return;
    if (result != WAIT_OBJECT_0)
        // A time-out sets no last error: its own code keeps it a failure.
        QV_RAISE(result == WAIT_FAILED ? waitError : result);
    OpenSection(resultSection, GetResultMapName(), qvFunctionName);
    const QvBase::CUniqueView view = MapSection(resultSection.GetHandle(), qvFunctionName);
    const CTaskResultRecord record = ReadResultRecord(view.Get(), GetViewSize(view.Get()));
    resultCode = record.code;
    resultText = record.text;
    prefix.Trace(2, L"Task result %d (%s)", resultCode, resultText.c_str());
    runningEvent.Set();
}

void CCommonInstallTask::Complete(int code, std::wstring text)
{
    QV_LIB_FUNCTION(L"CCommonInstallTask::Complete", L"task");
    resultText = std::move(text);
    trace.Trace(2, L"Task %s completed %d (%s)", id.c_str(), code, resultText.c_str());
    if (IsRegistryBacked())
    {
        WriteTaskDword(id, kTaskResultValue, static_cast<DWORD>(code));
        if (!resultText.empty())
            WriteTaskText(id, kTaskErrorValue, resultText);
    }
    const std::wstring eventName = GetRunningEventName();
    QvBase::CWin32Event running(/*manualReset=*/true);
    const DWORD opened = running.Open(eventName.c_str(), EVENT_ALL_ACCESS);
    if (opened != ERROR_SUCCESS)
    {
        trace.Trace(4, L"Open event %s failed %d", eventName.c_str(), opened);
        return;
    }
    if (IsRegistryBacked())
    {
        running.Set();
        return;
    }
    WriteResultSection(code);
    running.Set();
    Sleep(kCompleteSettleMs);
    running.Wait(kCompleteAcknowledgeMs);
}

void CCommonInstallTask::WriteResultSection(int code)
{
    QV_FUNCTION_NAME(L"CCommonInstallTask::Complete");
    CreateSection(resultSection, GetResultMapName(), GetResultRecordSize(resultText),
                  qvFunctionName);
    const QvBase::CUniqueView view = MapSection(resultSection.GetHandle(), qvFunctionName);
    WriteResultRecord(view.Get(), GetViewSize(view.Get()), code, resultText);
}

std::shared_ptr<CInstallTaskResult> CCommonInstallTask::GetResult()
{
    return std::make_shared<CInstallTaskResult>(ReadResultText());
}

std::wstring CCommonInstallTask::ReadResultText()
{
    return IsRegistryBacked() ? ReadStoredResult(id) : resultText;
}

void CCommonInstallTask::CreatePendingKey()
{
    const std::wstring path = GetTaskKeyPath(id) + L"\\" + kTaskPendingSubkey;
    QvBase::CUniqueKey pending;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                    QvBase::kKeyReadWrite, nullptr, pending.Put(), nullptr);
}
