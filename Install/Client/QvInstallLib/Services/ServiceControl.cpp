#include "ServiceControl.h"

#include "FuncTraceContext.h"
#include "PathUtils.h"
#include "RegistryKey.h"
#include "ScmHandle.h"
#include "TraceLineScope.h"
#include "qvexception.h"

#include <algorithm>
#include <vector>

namespace
{
constexpr const wchar_t* kSource = L"SCMfuncs";
constexpr const wchar_t* kGroupListValue = L"List";
constexpr DWORD kNotRunning = 1;

// Names may be null; a trace line shows them as empty.
const wchar_t* Text(const wchar_t* text)
{
    return text != nullptr ? text : L"";
}

// The load order as listed. A missing value is an empty list; a value that
// cannot be read as a list is reported, so that it is never overwritten.
DWORD ReadGroupList(QvBase::CRegistryKey& key, std::vector<std::wstring>& groups)
{
    QvBase::CRegistryValue raw;
    const LONG rc = key.QueryValue(kGroupListValue, raw);
    if (rc == ERROR_FILE_NOT_FOUND)
        return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS)
        return rc;
    if (raw.type != REG_MULTI_SZ)
        return ERROR_INVALID_DATA;
    return key.GetMultiString(kGroupListValue, groups);
}

// An own-process image path goes in double quotes, so that a path with
// spaces names one program; a driver's path is the one its start type needs.
std::wstring PrepareImagePath(DWORD serviceType, DWORD startType, const wchar_t* imagePath)
{
    std::wstring path = Text(imagePath);
    if ((serviceType & SERVICE_WIN32_OWN_PROCESS) != 0)
    {
        const bool opens = !path.empty() && path.front() == L'"';
        const bool closes = !path.empty() && path.back() == L'"';
        if (!opens)
            path.insert(0, 1, L'"');
        if (!closes)
            path.push_back(L'"');
    }
    else if ((serviceType & (SERVICE_KERNEL_DRIVER | SERVICE_FILE_SYSTEM_DRIVER)) != 0)
        path = ValidateDriverPath(startType, imagePath);
    return path;
}

// Opens the service for configuration; raises under the caller's name with
// the failing call's code.
void OpenServiceForChange(CManagedService& scm, const wchar_t* name, const wchar_t* function)
{
    if (!scm.Open(name, SERVICE_ALL_ACCESS))
        QV_THROW(scm.Error(), function);
}
} // namespace

DWORD AddNewServiceGroup(const wchar_t* group, const wchar_t* insertBefore, bool replace,
                         const wchar_t* orderKey)
{
    QvBase::CTraceLineScope line(L"AddNewServiceGroup");
    if (group == nullptr)
        return static_cast<DWORD>(E_FAIL);
    const QvBase::CRegistryKey machine(QvBase::CRegistryKey::RootLocalMachine);
    QvBase::CRegistryKey key;
    if (key.OpenFrom(machine, orderKey, /*create=*/false, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return ERROR_SUCCESS;

    std::vector<std::wstring> groups;
    const DWORD read = ReadGroupList(key, groups);
    if (read != ERROR_SUCCESS)
        return read;
    const auto listed = std::find(groups.begin(), groups.end(), group);
    if (listed != groups.end())
    {
        if (!replace)
            return ERROR_SUCCESS;
        groups.erase(listed);
    }
    const auto before = std::find(groups.begin(), groups.end(), std::wstring(Text(insertBefore)));
    groups.insert(before, group);
    return key.SetMultiString(kGroupListValue, groups);
}

DWORD CreateDriver(const wchar_t* name, const wchar_t* displayName, DWORD desiredAccess,
                   DWORD serviceType, DWORD startType, DWORD errorControl, const wchar_t* imagePath,
                   const wchar_t* loadOrderGroup, const wchar_t* insertBeforeGroup, DWORD* tagId,
                   const wchar_t* dependencies, const wchar_t* account, const wchar_t* password)
{
    QvBase::CTraceLineScope line(L"CreateDriver");
    line << Text(name) << L", " << Text(displayName) << L", " << serviceType << L", " << startType
         << L", " << Text(imagePath);
    CManagedService scm;
    if (!scm.HasManager())
        return scm.Error();
    if (loadOrderGroup != nullptr)
        AddNewServiceGroup(loadOrderGroup, insertBeforeGroup, /*replace=*/false);

    // A null path stays null: no path to register (or, below, none to change).
    const std::wstring prepared = PrepareImagePath(serviceType, startType, imagePath);
    const wchar_t* path = imagePath != nullptr ? prepared.c_str() : nullptr;
    if (scm.ServiceHolder()
            .Attach(CreateServiceW(scm.Manager(), name, displayName, desiredAccess, serviceType,
                                   startType, errorControl, path, loadOrderGroup, tagId,
                                   dependencies, account, password))
            .IsValid())
        return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    if (error != ERROR_SERVICE_EXISTS)
        return error;

    line << L"Service exists.";
    if (!scm.Open(name, SERVICE_ALL_ACCESS))
        return scm.Error();
    if (!ChangeServiceConfigW(scm.Service(), serviceType, startType, errorControl, path,
                              loadOrderGroup, tagId, dependencies, account, password, displayName))
        return GetLastError();
    return ERROR_SUCCESS;
}

std::wstring ValidateDriverPath(DWORD startType, const wchar_t* imagePath)
{
    QvBase::CTraceLineScope line(L"ValidateDriverPath");
    switch (startType)
    {
    case SERVICE_BOOT_START:
        return L"system32\\drivers\\" + QvBase::GetFileNamePart(imagePath);
    case SERVICE_SYSTEM_START:
        return L"\\SystemRoot\\system32\\drivers\\" + QvBase::GetFileNamePart(imagePath);
    case SERVICE_AUTO_START:
    case SERVICE_DEMAND_START:
    case SERVICE_DISABLED:
        return Text(imagePath);
    default:
        return std::wstring();
    }
}

DWORD DeleteDriver(const wchar_t* name)
{
    QvBase::CTraceLineScope line(L"DeleteDriver");
    line << Text(name);
    CManagedService scm;
    if (!scm.Open(name, SERVICE_ALL_ACCESS))
        return scm.Error();

    // Disabled first, so that a service that cannot go yet does not start
    // again before it does.
    DWORD result = ERROR_SUCCESS;
    if (!ChangeServiceConfigW(scm.Service(), SERVICE_NO_CHANGE, SERVICE_DISABLED, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
    {
        result = GetLastError();
        line << L" ChangeServiceConfig:" << result;
    }
    if (!DeleteService(scm.Service()))
    {
        const DWORD error = GetLastError();
        result = error == ERROR_SERVICE_MARKED_FOR_DELETE ? ERROR_SUCCESS : error;
    }
    line << L" DeleteService:" << result;
    return result;
}

DWORD IsServiceRunning(const wchar_t* name)
{
    QvBase::CTraceLineScope line(L"IsServiceRunning");
    line << Text(name);
    CManagedService scm;
    if (!scm.HasManager())
        return scm.Error();
    if (!scm.Open(name, SERVICE_QUERY_STATUS))
        return kNotRunning;
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(scm.Service(), &status))
        return kNotRunning;
    line << L"QueryServiceStatus: " << status.dwCurrentState;
    return status.dwCurrentState == SERVICE_RUNNING ? ERROR_SUCCESS : kNotRunning;
}

void SetServiceShutdownTime(const wchar_t* name, DWORD seconds)
{
    QV_LIB_FUNCTION(L"SetServiceShutdownTime", kSource);
    trace.Trace(2, L"%s", Text(name));
    try
    {
        CManagedService scm;
        OpenServiceForChange(scm, name, qvFunctionName);
        SERVICE_PRESHUTDOWN_INFO info = {seconds * 1000};
        if (!ChangeServiceConfig2W(scm.Service(), SERVICE_CONFIG_PRESHUTDOWN_INFO, &info))
            QV_RAISE_LAST_ERROR();
    }
    QV_CATCH_TRACE_RETHROW(trace)
}

void QvSetServiceDescriptionByHandle(SC_HANDLE service, const wchar_t* description)
{
    QV_FUNCTION_NAME(L"QvSetServiceDescriptionByHandle");
    QvBase::CLibTracePrefix trace;
    QvBase::CTraceLineScope line(qvFunctionName);
    line << Text(description);
    try
    {
        SERVICE_DESCRIPTIONW info = {const_cast<wchar_t*>(description)};
        if (!ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &info))
            QV_RAISE_LAST_ERROR();
    }
    QV_CATCH_TRACE(trace)
}

void QvSetServiceDescriptionByName(const wchar_t* name, const wchar_t* description)
{
    QV_FUNCTION_NAME(L"QvSetServiceDescriptionByName");
    QvBase::CTraceLineScope line(qvFunctionName);
    line << Text(name);
    CManagedService scm;
    OpenServiceForChange(scm, name, qvFunctionName);
    QvSetServiceDescriptionByHandle(scm.Service(), description);
}
