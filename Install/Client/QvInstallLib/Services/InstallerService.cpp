#include "InstallerService.h"

#include "FuncTraceContext.h"
#include "ServiceControl.h"

namespace
{
// The agent finishes the task it is running before the machine goes down.
constexpr DWORD kPreShutdownSeconds = 3600;
} // namespace

DWORD RegisterInstallerService(const wchar_t* imagePath, DWORD startType, const wchar_t* name,
                               const wchar_t* displayName)
{
    ClibFuncTraceContext trace(L"RegisterInstallerService", L"utils");
    const DWORD result = CreateDriver(
        name, displayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS, startType,
        SERVICE_ERROR_NORMAL, imagePath, /*loadOrderGroup=*/nullptr, /*insertBeforeGroup=*/nullptr,
        /*tagId=*/nullptr, /*dependencies=*/nullptr, /*account=*/nullptr, /*password=*/nullptr);
    if (result == ERROR_SUCCESS)
    {
        QvSetServiceDescriptionByName(name, displayName);
        SetServiceShutdownTime(name, kPreShutdownSeconds);
    }
    return result;
}
