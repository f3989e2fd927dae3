#include "TaskProcess.h"

#include "AgentLog.h"
#include "qvexception.h"

#include <windows.h>

namespace QvAgent
{
CTaskProcessImage::CTaskProcessImage()
{
    QV_FUNCTION_NAME(L"QvAgent::CTaskProcessImage::CTaskProcessImage");
    wchar_t self[MAX_PATH] = {};
    if (GetModuleFileNameW(nullptr, self, MAX_PATH) == 0)
        QV_RAISE_LAST_ERROR();
    path = WindowsTempDir() + L"\\QvInstAgent." + std::to_wstring(GetCurrentProcessId()) + L".exe";
    if (!CopyFileW(self, path.c_str(), /*failIfExists=*/FALSE))
        QV_RAISE_LAST_ERROR(path.c_str());
}

CTaskProcessImage::~CTaskProcessImage()
{
    if (!DeleteFileW(path.c_str()))
        MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

QvBase::CUniqueHandle CTaskProcessImage::Start(const std::wstring& id, int type,
                                               bool registryBacked) const
{
    QV_FUNCTION_NAME(L"QvAgent::CTaskProcessImage::Start");
    std::wstring commandLine = L"\"" + path + L"\" " + kTaskOption + L" " + id + L" " +
                               std::to_wstring(type) + L" " +
                               (registryBacked ? kRegistryBacking : kSectionBacking);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, /*inheritHandles=*/FALSE,
                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info))
        QV_RAISE_LAST_ERROR(path.c_str());
    QvBase::CUniqueHandle thread(info.hThread);
    return QvBase::CUniqueHandle(info.hProcess);
}
} // namespace QvAgent
