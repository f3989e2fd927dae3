#include "InstallTask.h"

#include "Guid.h"
#include "InstallTaskNames.h"
#include "TraceLineScope.h"

std::wstring NewTaskId()
{
    return QvBase::CGuid().ToString();
}

CCommonInstallTask::CCommonInstallTask(std::wstring id, int type, int timeout)
    : timeout(timeout), runningEvent(/*manualReset=*/true), type(type), id(std::move(id))
{
    GetSystemTimeAsFileTime(&creationTime);
}

CCommonInstallTask::~CCommonInstallTask()
{
    // The event first, then the sections (their members go afterwards).
    runningEvent.Close();
}

std::wstring CCommonInstallTask::GetId()
{
    return id;
}

std::wstring CCommonInstallTask::GetLocale()
{
    return locale;
}

std::wstring CCommonInstallTask::GetSrcPath()
{
    return source;
}

void CCommonInstallTask::SetSrcPath(std::wstring newSource)
{
    QvBase::CTraceLineScope line(L"CCommonInstallTask::SetSrcPath");
    source = std::move(newSource);
    line << source;
}

std::wstring CCommonInstallTask::GetRunningEventName()
{
    return kRunningEventPrefix + id;
}

void CCommonInstallTask::SetRegistryBacked(bool on)
{
    registryBacked = on;
}

bool CCommonInstallTask::IsRegistryBacked()
{
    return registryBacked;
}

void CCommonInstallTask::SetInteractive(bool on)
{
    interactive = on;
}

bool CCommonInstallTask::IsInteractive()
{
    return interactive;
}

int CCommonInstallTask::GetTimeout()
{
    return timeout;
}

bool CCommonInstallTask::AlwaysTrue()
{
    return true;
}

bool CCommonInstallTask::IsUninstall()
{
    return type == TaskUninstall || type == TaskUninstallOther;
}

std::wstring CCommonInstallTask::GetTaskMapName()
{
    return kTaskMapPrefix + id;
}

std::wstring CCommonInstallTask::GetResultMapName()
{
    return kResultMapPrefix + id;
}

void CCommonInstallTask::SaveToXml(IXMLDOMElement*, IXMLDOMDocument*) {}

void CCommonInstallTask::LoadFromXml(IXMLDOMElement*, IXMLDOMDocument*) {}
